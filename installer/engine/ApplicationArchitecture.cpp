#include "ApplicationArchitecture.h"

#include "Architecture.h"
#include "SetupLog.h"
#include "UserMessages.h"
#include "resource.h"
#include "win32/ResString.h"

namespace {

const char* DisplayName(EArchitecture architecture)
{
    static const char* const s_names[] = {"32-bit (x86)", "64-bit (x64)", "ARM64"};
    return s_names[architecture];
}

} // namespace

bool TakeApplicationArchitecture(const CSmallString& text, const char* appName, bool installing)
{
    EArchitecture architecture = ArchitectureX86;
    CSmallString message;
    if (!ParseArchitecture(text, architecture)) {
        message.Format(CResString(IDS_UNKNOWN_ARCHITECTURE), text.GetText());
        LogLine("Unknown architecture \"%s\": nothing was changed", text.GetText());
        Error(message);
        return false;
    }
    const EArchitecture machine = GetNativeMachine();
    if (installing && !CanRunOn(architecture, machine)) {
        message.Format(CResString(IDS_WRONG_MACHINE), appName && *appName ? appName : "This application",
                       DisplayName(architecture), DisplayName(machine));
        LogLine("The application is made for %s; this computer is %s: nothing was changed",
                GetArchitectureName(architecture), GetArchitectureName(machine));
        Error(message);
        return false;
    }
    SetApplicationArchitecture(architecture);
    if (architecture != ArchitectureX86)
        LogLine("Architecture: %s, on %s Windows", GetArchitectureName(architecture), GetArchitectureName(machine));
    return true;
}
