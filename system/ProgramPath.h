// Where a program the script names lies. Never looked for in the current
// folder, the installer's own folder or the PATH, where anyone may have
// put a program of that name.
#pragma once

#include "SmallString.h"

// A bare file name ("cmd", "cmd.exe": .exe added when it has no extension)
// in the system folder; a full path as it is (normalised). False, with
// why, for any other (relative) path, and for a file that is not there.
bool FindProgram(const char* program, CSmallString& fullPath, CSmallString& why);
