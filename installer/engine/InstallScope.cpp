#include "InstallScope.h"

#include <shlobj.h>

#include "SetupLog.h"
#include "SystemPaths.h"
#include "WinPath.h"
#include "UserMessages.h"
#include "resource.h"
#include "win32/ResString.h"

namespace {

EScope g_eScope = ScopeUnset;

} // namespace

void SetInstallScope(EScope scope) { g_eScope = scope; }

EScope GetInstallScope() { return g_eScope; }

bool IsPerUser() { return g_eScope == ScopeUser; }

HKEY GetEntryRoot() { return IsPerUser() ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

const char* GetEntryRootName() { return IsPerUser() ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE"; }

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
