// The process's last line of defence: an unhandled fault is described in
// an HTML report before the process ends.
#pragma once

#include <windows.h>

typedef LONG(WINAPI* CrashReportFunction)(EXCEPTION_POINTERS* info);
// Told what happened (the message, or the report's path), to note it
// somewhere; must allocate nothing.
typedef void (*CrashNoteFunction)(const char* text);

// Installs the unhandled-exception filter that calls report once and then
// ends the process. 1 on success, 0 without a report function.
int SetCrashHandlerFilter(CrashReportFunction report);

// What the handler needs after a fault, copied now, since nothing may be
// read from the heap then: the system's description the report quotes
// ("Windows version ..."), the publisher's support address (the report's
// form sends to it; empty: no form), the message shown to the user (a
// printf text with %s for the report's path, and a line with %s for the
// support address), whether to show it at all, and where to note it.
void SetCrashSystemText(const char* text);
void SetCrashSupportUrl(const char* url);
void SetCrashMessage(const char* text, const char* supportLine);
void SetCrashQuiet(bool quiet);
void SetCrashNote(CrashNoteFunction note);

// Writes "ZB-Crash.html" into the user's temporary folder (GetTempPath:
// %TMP%, %TEMP% or the profile's folder), or "ZB-Crash-1.html" and so on
// when that name is taken (see WriteCrashReport), notes it and, unless
// quiet, tells the user where it is. Needs nothing from the heap.
LONG WINAPI DebugCrashHandler(EXCEPTION_POINTERS* info);

// The full path of the report DebugCrashHandler wrote last.
const char* GetCrashReportPath();
