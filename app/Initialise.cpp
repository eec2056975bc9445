#include <windows.h>

#include "AppGlobals.h"
#include "CrashHandler.h"
#include "DllSearch.h"
#include "SetupLog.h"
#include "Startup.h"
#include "resource.h"
#include "win32/ResString.h"

bool Initialise()
{
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    g_strWindowsVersion.Format("Windows version %d.%d (%d) %s", (int)version.dwMajorVersion,
                               (int)version.dwMinorVersion, (int)version.dwBuildNumber, version.szCSDVersion);

    SetCrashSystemText(g_strWindowsVersion);
    SetCrashMessage(CResString(IDS_CRASHED), CResString(IDS_CRASHED_SUPPORT));
    // Noted just before the crash's message box, which may be the run's
    // first window.
    SetCrashNote([](const char* text) {
        g_setupLog.WriteQuietly(text);
        PreloadWindowDlls();
    });
    // The common controls are loaded by the caller, only for a run that
    // may show windows; the wizard tells the user if they failed to load.
    return SetCrashHandlerFilter(DebugCrashHandler) == 1;
}
