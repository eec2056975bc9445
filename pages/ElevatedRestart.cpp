#include "ElevatedRestart.h"

#include <shellapi.h>

#include "CommandLine.h"
#include "Exceptions.h"
#include "RunLock.h"
#include "SetupLog.h"
#include "WizardState.h"
#include "win32/Handles.h"

bool RestartElevated(HWND owner, const char* destination, bool fromWizard, DWORD& exitCode, DWORD& error)
{
    SCommandLine line;
    if (g_pCommandLine)
        line = *g_pCommandLine;
    line.bAllUsers = true;
    line.bCurrentUser = false;
    line.bElevated = fromWizard;
    if (destination && *destination) {
        line.bDestination = true;
        line.strDestination = destination;
    }
    char self[MAX_PATH * 2] = "";
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof(self));
    if (!length || length >= sizeof(self)) {
        error = GetLastError();
        return false;
    }
    const CSmallString arguments = ComposeArguments(line);
    LogLine("For all users: starting the installer elevated: %s", arguments.GetText());
    if (g_pRunLock)
        g_pRunLock->Release();
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    info.hwnd = owner;
    info.lpVerb = "runas";
    info.lpFile = self;
    info.lpParameters = arguments;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info) || !info.hProcess) {
        error = GetLastError();
        LogLine("The elevated installer did not start: %s", GetLastErrorString((int)error).GetText());
        if (g_pRunLock)
            g_pRunLock->Take("application", g_strRunLockName);
        return false;
    }
    const CAutoHandle process(info.hProcess);
    WaitForSingleObject(process, INFINITE);
    exitCode = 3;
    GetExitCodeProcess(process, &exitCode);
    LogLine("The elevated installer ended with %lu", (unsigned long)exitCode);
    return true;
}
