#include "ElevatedRestart.h"

#include "CommandLine.h"
#include "Exceptions.h"
#include "InstallScope.h"
#include "RunElevated.h"
#include "RunLock.h"
#include "SetupLog.h"
#include "SetupLogPlace.h"
#include "WizardState.h"

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
        // This run's log has left the destination already; that run would
        // refuse it.
        if (LiesInFolder(line.strLog, destination))
            line.strLog.Empty();
    }
    const CSmallString arguments = ComposeArguments(line);
    LogLine("For all users: starting the installer elevated: %s", arguments.GetText());
    if (g_pRunLock)
        g_pRunLock->Release();
    if (!RunSelfElevated(owner, arguments, exitCode, error)) {
        LogLine("The elevated installer did not start: %s", GetLastErrorString((int)error).GetText());
        if (g_pRunLock)
            g_pRunLock->Take("application", g_strRunLockName);
        return false;
    }
    LogLine("The elevated installer ended with %lu", (unsigned long)exitCode);
    return true;
}

bool RemoveOtherScopeUnlocked(const CSmallString& uninstaller, int& exitCode)
{
    if (g_pRunLock)
        g_pRunLock->Release();
    const bool removed = RemoveOtherScopeInstallation(uninstaller, exitCode);
    if (g_pRunLock && !g_pRunLock->Take("application", g_strRunLockName)) {
        LogLine("Another run of the application started meanwhile");
        return false;
    }
    return removed;
}
