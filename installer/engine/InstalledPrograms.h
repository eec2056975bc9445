// Other programs' installations, as the system's list of installed
// programs (the Uninstall entries) names them.
#pragma once

#include "Containers.h"
#include "SmallString.h"

// The resolved InstallLocation of every Uninstall entry, machine-wide (both
// registry views) and the user's, but those at ours (resolved) and those
// that name a drive or a shared folder rather than a program's own.
Container::CArray<CSmallString> GetOtherProgramsFolders(const CSmallString& ours);
