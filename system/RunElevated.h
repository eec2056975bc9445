// This program again, elevated: the system asks the user for administrator
// rights first.
#pragma once

#include <windows.h>

// Starts this program's file with arguments, elevated, and waits for its
// exit code. False, with the system's error (ERROR_CANCELLED: the user
// declined), when it could not be started.
bool RunSelfElevated(HWND owner, const char* arguments, DWORD& exitCode, DWORD& error);
