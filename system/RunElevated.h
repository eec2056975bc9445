// Programs started through the shell, which asks the user for
// administrator rights where a program needs them, and waited for.
#pragma once

#include <windows.h>

// Starts program with arguments (verb "runas": elevated) and waits for its
// exit code. False, with the system's error (ERROR_CANCELLED: the user
// declined the prompt), when it could not be started.
bool ShellRunAndWait(HWND owner, const char* verb, const char* program, const char* arguments, int show,
                     DWORD& exitCode, DWORD& error);

// This program's file again, elevated.
bool RunSelfElevated(HWND owner, const char* arguments, DWORD& exitCode, DWORD& error);
