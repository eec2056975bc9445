// The crash report: a fault, its registers and its stack as an HTML page,
// with a form that sends it to the publisher's support address when the
// script gives one.
#pragma once

#include <windows.h>

// Writes the report for info to path. Uses static buffers only (one report
// at a time). supportUrl null or empty: no form. False when the file can't
// be written.
bool WriteCrashReport(const char* path, const EXCEPTION_POINTERS* info, const char* windowsVersion,
                      const char* supportUrl);

// "EXCEPTION_ACCESS_VIOLATION" and the like; null for a code without a name.
const char* GetExceptionName(DWORD code);
