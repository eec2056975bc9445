// The crash report: a fault, its registers and its stack as an HTML page,
// with a form that sends it to the publisher's support address when the
// script gives one.
#pragma once

#include <windows.h>

// Writes the report for info into a new file at path (a buffer of
// capacity bytes), never through an existing name, a link included: when
// the name is taken, "<name>-1.<ext>" up to "-99", and path is changed to
// the name written. Uses static buffers only (one report at a time).
// supportUrl null or empty: no form. False when no file could be written.
bool WriteCrashReport(char* path, unsigned capacity, const EXCEPTION_POINTERS* info, const char* windowsVersion,
                      const char* supportUrl);

// "EXCEPTION_ACCESS_VIOLATION" and the like; null for a code without a name.
const char* GetExceptionName(DWORD code);
