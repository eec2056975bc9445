#include "InstallScope.h"

#include "SetupLog.h"
#include "UserMessages.h"
#include "resource.h"
#include "win32/ResString.h"

namespace {

EScope g_eScope = ScopeUnset;

} // namespace

void SetInstallScope(EScope scope) { g_eScope = scope; }

EScope GetInstallScope() { return g_eScope; }

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
