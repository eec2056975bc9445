#include "SystemPaths.h"

#include <windows.h>

#include "Architecture.h"
#include "Registry.h"
#include "WinPath.h"

CSmallString ExpandEnvironment(const char* text)
{
    // Ask for the size the system needs rather than cutting a long path:
    // a cut path would write or delete in the wrong place.
    CSmallString result;
    DWORD size = 520;
    for (int attempt = 0; attempt < 4; attempt++) {
        char* buffer = result.GetBuffer((int)size);
        const DWORD needed = ExpandEnvironmentStringsA(text, buffer, size);
        if (needed == 0) {
            result.ReleaseBuffer(0);
            return CSmallString(text);
        }
        if (needed <= size) {
            result.ReleaseBuffer(-1);
            return result;
        }
        size = needed + 1;
    }
    result.ReleaseBuffer(0);
    return CSmallString(text);
}

CSmallString GetProgramFilesDirectory()
{
    static const char s_szKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
    CSmallString folder;
    if (IsApplication64Bit()) {
        // A 64-bit application's: this program's %ProgramFiles% is the
        // 32-bit one, and so is what a ProgramFilesPath of
        // "%ProgramFiles%" expands to here.
        folder = ReadRegistryText(HKEY_LOCAL_MACHINE, s_szKey, "ProgramFilesDir");
    } else {
        folder = ReadRegistryText(HKEY_LOCAL_MACHINE, s_szKey, "ProgramFilesPath");
        if (!folder.IsEmpty())
            folder = ExpandEnvironment(folder);
        else
            folder = ReadRegistryText(HKEY_LOCAL_MACHINE, s_szKey, "ProgramFilesDir");
    }
    // Used when the registry has no answer.
    if (folder.IsEmpty())
        folder = "C:\\Program Files";
    WinPath::EndWithBackslash(folder);
    return folder;
}

void BroadcastEnvironmentChange()
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Environment"),
                        SMTO_ABORTIFHUNG, 5000, &result);
}
