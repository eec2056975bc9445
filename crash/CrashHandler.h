// The process's last line of defence: an unhandled fault is described in
// an HTML report before the process ends.
#pragma once

#include <windows.h>

typedef LONG(WINAPI* CrashReportFunction)(EXCEPTION_POINTERS* info);

// Installs the unhandled-exception filter that calls report once and then
// ends the process. 1 on success, 0 without a report function.
int SetCrashHandlerFilter(CrashReportFunction report);

// The system's description the report quotes ("Windows version ..."): a
// copy is kept, since nothing may be read from the heap after a fault.
void SetCrashSystemText(const char* text);

// Writes "ZB-Crash.html" into the user's temporary folder (GetTempPath:
// %TMP%, %TEMP% or the profile's folder). Needs nothing from the heap.
LONG WINAPI DebugCrashHandler(EXCEPTION_POINTERS* info);

// The report's full path, as DebugCrashHandler builds it.
const char* GetCrashReportPath();
