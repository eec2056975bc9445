// The crash report: a fault, its registers and its stack as an HTML page
// with a form that sends it to the help desk.
#pragma once

#include <windows.h>

#ifndef KX_CRASH_REPORT_URL
#define KX_CRASH_REPORT_URL "https://example.com/helpdesk/crash-report"
#endif

// Writes the report for info to path. Uses static buffers only (one report
// at a time). False when the file can't be written.
bool WriteCrashReport(const char* path, const EXCEPTION_POINTERS* info, const char* windowsVersion);

// "EXCEPTION_ACCESS_VIOLATION" and the like; null for a code without a name.
const char* GetExceptionName(DWORD code);
