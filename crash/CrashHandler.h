// The process's last line of defence: an unhandled fault is described in
// an HTML report before the process ends.
#pragma once

#include <windows.h>

typedef LONG(WINAPI* CrashReportFunction)(EXCEPTION_POINTERS* info);

// Installs the unhandled-exception filter that calls report once and then
// ends the process. Keeps a copy of g_strWindowsVersion for the report, so
// call it after that is set. 1 on success, 0 without a report function.
int SetCrashHandlerFilter(CrashReportFunction report);

// Writes "ZB-Crash.html" into the user's temporary folder (GetTempPath:
// %TMP%, %TEMP% or the profile's folder). Needs nothing from the heap.
LONG WINAPI DebugCrashHandler(EXCEPTION_POINTERS* info);

// The report's full path, as DebugCrashHandler builds it.
const char* GetCrashReportPath();
