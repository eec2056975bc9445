#include "CrashHandler.h"

#include "CrashReport.h"

// Filled before any fault: the handler reads nothing from the heap.
static CrashReportFunction s_pfnReport = nullptr;
static CrashNoteFunction s_pfnNote = nullptr;
static char s_szWindowsVersion[160];
static char s_szSupportUrl[520];
static char s_szReportPath[MAX_PATH + 32];
static char s_szMessage[2048];
static char s_szMessageText[2][512];
static bool s_bQuiet = false;
static LONG s_nFaults = 0;

static LONG WINAPI CrashFilter(EXCEPTION_POINTERS* info)
{
    // A fault inside the report, or in a second thread, ends the process
    // without another try.
    if (InterlockedIncrement(&s_nFaults) == 1 && s_pfnReport)
        s_pfnReport(info);
    return EXCEPTION_EXECUTE_HANDLER;
}

void SetCrashSystemText(const char* text) { lstrcpynA(s_szWindowsVersion, text ? text : "", sizeof(s_szWindowsVersion)); }

void SetCrashSupportUrl(const char* url) { lstrcpynA(s_szSupportUrl, url ? url : "", sizeof(s_szSupportUrl)); }

void SetCrashMessage(const char* text, const char* supportLine)
{
    lstrcpynA(s_szMessageText[0], text ? text : "", sizeof(s_szMessageText[0]));
    lstrcpynA(s_szMessageText[1], supportLine ? supportLine : "", sizeof(s_szMessageText[1]));
}

void SetCrashQuiet(bool quiet) { s_bQuiet = quiet; }

void SetCrashNote(CrashNoteFunction note) { s_pfnNote = note; }

int SetCrashHandlerFilter(CrashReportFunction report)
{
    if (!report)
        return 0;
    s_pfnReport = report;
    SetUnhandledExceptionFilter(CrashFilter);
    return 1;
}

const char* GetCrashReportPath() { return s_szReportPath; }

LONG WINAPI DebugCrashHandler(EXCEPTION_POINTERS* info)
{
    const DWORD length = GetTempPathA(MAX_PATH, s_szReportPath);
    if (length == 0 || length > MAX_PATH)
        s_szReportPath[0] = 0; // the current folder, then
    lstrcatA(s_szReportPath, "ZB-Crash.html");
    const char* path = s_szReportPath;
    const bool written =
        WriteCrashReport(s_szReportPath, sizeof(s_szReportPath), info, s_szWindowsVersion, s_szSupportUrl);
    // The message is put together in static buffers: the heap may be what
    // failed.
    if (s_szMessageText[0][0]) {
        wsprintfA(s_szMessage, s_szMessageText[0], written ? path : "(it could not be written)");
        if (s_szSupportUrl[0] && s_szMessageText[1][0]) {
            const int used = lstrlenA(s_szMessage);
            wsprintfA(s_szMessage + used, s_szMessageText[1], s_szSupportUrl);
        }
    }
    if (s_pfnNote)
        s_pfnNote(s_szMessage[0] ? s_szMessage : path);
    if (!s_bQuiet && s_szMessage[0])
        MessageBoxA(nullptr, s_szMessage, "Setup", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return EXCEPTION_EXECUTE_HANDLER;
}
