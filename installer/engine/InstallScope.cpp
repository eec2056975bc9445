#include "InstallScope.h"

#include <shlobj.h>

#include <cstring>

#include "Destination.h"
#include "Exceptions.h"
#include "Platform.h"
#include "Registry.h"
#include "RunElevated.h"
#include "Security.h"
#include "SetupLog.h"
#include "SystemPaths.h"
#include "WinPath.h"
#include "UserMessages.h"
#include "resource.h"
#include "win32/ResString.h"

namespace {

EScope g_eScope = ScopeUnset;
bool g_bChoosable = false;

} // namespace

void SetInstallScope(EScope scope) { g_eScope = scope; }

EScope GetInstallScope() { return g_eScope; }

bool IsPerUser() { return g_eScope == ScopeUser; }

void SetScopeChoosable(bool choosable) { g_bChoosable = choosable; }

bool IsScopeChoosable() { return g_bChoosable; }

EScope ProposeScope(CSinReader& reader, bool allUsers, bool currentUser, const char*& why)
{
    if (allUsers || currentUser) {
        why = allUsers ? "/ALLUSERS" : "/CURRENTUSER";
        return allUsers ? ScopeMachine : ScopeUser;
    }
    const CSmallString key = GetUninstallKeyName(reader);
    const CSmallString entry = CSmallString("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + key;
    if (!key.IsEmpty() && !ReadRegistryText(HKEY_CURRENT_USER, entry, "UninstallString").IsEmpty()) {
        why = "installed for the user before";
        return ScopeUser;
    }
    if (!key.IsEmpty() && !ReadRegistryText(HKEY_LOCAL_MACHINE, entry, "UninstallString").IsEmpty()) {
        why = "installed for all users before";
        return ScopeMachine;
    }
    const bool administrator = IsUserAnAdministrator();
    why = administrator ? "the user is an administrator" : "the user is no administrator";
    return administrator ? ScopeMachine : ScopeUser;
}

HKEY GetEntryRoot() { return IsPerUser() ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

const char* GetEntryRootName() { return GetRegistryRootName(GetEntryRoot()); }

CSmallString GetScopeProgramFiles()
{
    if (!IsPerUser())
        return GetProgramFilesDirectory();
    char local[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)))
        return ExpandEnvironment("%LOCALAPPDATA%\\Programs\\");
    CSmallString folder(local);
    WinPath::EndWithBackslash(folder);
    return folder + "Programs\\";
}

bool FindOtherScopeInstallation(CSinReader& reader, CSmallString& folder, CSmallString& uninstaller)
{
    const CSmallString key = GetUninstallKeyName(reader);
    if (!IsScopeChoosable() || key.IsEmpty())
        return false;
    const HKEY other = IsPerUser() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const CSmallString entry = CSmallString("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + key;
    uninstaller = ReadRegistryText(other, entry, "QuietUninstallString");
    folder = ReadRegistryText(other, entry, "InstallLocation");
    if (uninstaller.IsEmpty()) {
        uninstaller = ReadRegistryText(other, entry, "UninstallString");
        if (!uninstaller.IsEmpty())
            uninstaller += " /S";
    }
    return !uninstaller.IsEmpty();
}

bool MayRunOtherScopeUninstaller() { return IsPerUser() || !IsProcessElevated(); }

bool RemoveOtherScopeInstallation(const CSmallString& uninstaller, int& exitCode)
{
    // "C:\...\uninstall.exe" /S: the program, then its arguments.
    exitCode = -1;
    CSmallString program = uninstaller, arguments;
    const int quote = uninstaller.GetAt(0) == '"' ? uninstaller.FindSameCase(CSmallString("\""), 1) : -1;
    if (quote > 0) {
        program = uninstaller.Mid(1, quote - 1);
        arguments = uninstaller.Mid(quote + 1, uninstaller.GetLength() - quote - 1);
    }
    LogLine("Removing the installation of the other scope first: %s", uninstaller.GetText());
    DWORD code = 3, error = 0;
    if (!ShellRunAndWait(nullptr, nullptr, program, arguments, SW_HIDE, code, error)) {
        LogLine("Its uninstaller did not start: %s", GetLastErrorString((int)error).GetText());
        return false;
    }
    exitCode = (int)code;
    LogLine("Its uninstaller ended with %d", exitCode);
    return code == 0 || code == 3010;
}

bool TakeInstallScope(const CSmallString& text)
{
    EScope scope = ScopeUnset;
    if (!ParseScope(text, scope)) {
        CSmallString message;
        message.Format(CResString(IDS_UNKNOWN_SCOPE), text.GetText());
        LogLine("Unknown scope \"%s\": nothing was changed", text.GetText());
        Error(message);
        return false;
    }
    SetInstallScope(scope);
    if (scope != ScopeUnset)
        LogLine("Scope: %s", GetScopeName(scope));
    return true;
}
