#include <windows.h>

#include "AppGlobals.h"
#include "CommonControls.h"
#include "CrashHandler.h"
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
    SetCrashNote([](const char* text) { g_setupLog.WriteQuietly(text); });
    if (SetCrashHandlerFilter(DebugCrashHandler) != 1)
        return false;

    // The wizard tells the user if this failed; an unattended run needs none.
    InitialiseCommonControls();
    return true;
}
