// An installation for every user, chosen by a user whose rights wait
// behind the elevation prompt: the installer starts itself again elevated.
#pragma once

#include <windows.h>

#include "SmallString.h"

// Starts this program elevated with the run's switches, /ALLUSERS and
// /D=destination, and from the wizard /ELEVATED (the terms agreed, the
// destination chosen: its wizard starts installing), hands it the run's
// lock and waits for its exit code. False, with the lock taken back and
// the system's error (ERROR_CANCELLED: the user declined), when it could
// not be started.
bool RestartElevated(HWND owner, const char* destination, bool fromWizard, DWORD& exitCode, DWORD& error);

// RemoveOtherScopeInstallation (InstallScope.h) with the run's lock given
// up meanwhile: that uninstaller takes the application's lock too. False
// also when another run took the lock in between.
bool RemoveOtherScopeUnlocked(const CSmallString& uninstaller, int& exitCode);
