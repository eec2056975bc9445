#include "CrashHandler.h"

#include "CrashReport.h"

// Filled before any fault: the handler reads nothing from the heap.
static CrashReportFunction s_pfnReport = nullptr;
static char s_szWindowsVersion[160];
static char s_szReportPath[MAX_PATH + 32];
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

int SetCrashHandlerFilter(CrashReportFunction report)
{
    if (!report)
        return 0;
    s_pfnReport = report;
    SetUnhandledExceptionFilter(CrashFilter);
    return 1;
}

const char* GetCrashReportPath()
{
    const DWORD length = GetTempPathA(MAX_PATH, s_szReportPath);
    if (length == 0 || length > MAX_PATH)
        s_szReportPath[0] = 0; // the current folder, then
    lstrcatA(s_szReportPath, "ZB-Crash.html");
    return s_szReportPath;
}

LONG WINAPI DebugCrashHandler(EXCEPTION_POINTERS* info)
{
    WriteCrashReport(GetCrashReportPath(), info, s_szWindowsVersion);
    return EXCEPTION_EXECUTE_HANDLER;
}
