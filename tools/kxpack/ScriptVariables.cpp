#include "ScriptVariables.h"

#include <cstring>

#include "Platform.h"
#include "ScriptMarkup.h"
#include "ScriptWords.h"
#include "Spelling.h"

namespace {

// The environment every Windows session has, as scripts name it.
const char* const g_arrEnvironment[] = {
    "ALLUSERSPROFILE",  "APPDATA",      "CommonProgramFiles", "CommonProgramFiles(x86)", "CommonProgramW6432",
    "COMPUTERNAME",     "ComSpec",      "HOMEDRIVE",          "HOMEPATH",                "LOCALAPPDATA",
    "LOGONSERVER",      "NUMBER_OF_PROCESSORS",               "OS",                      "PATH",
    "PATHEXT",          "PROCESSOR_ARCHITECTURE",             "ProgramData",             "ProgramFiles",
    "ProgramFiles(x86)", "ProgramW6432", "PUBLIC",            "SystemDrive",             "SystemRoot",
    "TEMP",             "TMP",          "USERDOMAIN",         "USERNAME",                "USERPROFILE",
    "windir",
};
const unsigned kEnvironmentCount = sizeof(g_arrEnvironment) / sizeof(g_arrEnvironment[0]);

bool IsKnown(const char* name)
{
    if (Mb::ICmp(name, Variable::App) == 0)
        return true;
    for (const char* known : g_arrEnvironment)
        if (Mb::ICmp(name, known) == 0)
            return true;
    return false;
}

bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '(' || c == ')'; }
bool IsHex(char c) { return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }

std::string Reference(const std::string& name) { return "%" + name + "%"; }

std::string Unknown(const std::string& name)
{
    std::vector<const char*> known = {Variable::App, Variable::ProgramFiles};
    known.insert(known.end(), g_arrEnvironment, g_arrEnvironment + kEnvironmentCount);
    if (const char* nearest = NearestName(name.c_str(), known.data(), (unsigned)known.size()))
        return "no such variable: did you mean " + Reference(nearest) + "?";
    return std::string("no such variable: the installer replaces ") + Variable::AppReference +
           " (the destination) and the usual Windows environment variables (%windir%, %ProgramFiles%, %APPDATA%, ...)";
}

std::string Why(const std::string& name, bool inDefaultPath)
{
    const bool programFiles = Mb::ICmp(name.c_str(), Variable::ProgramFiles) == 0;
    const std::string defaultPath = Tag(Setting::DefaultPath);
    const std::string programFilesReference = Variable::ProgramFilesReference;
    if (inDefaultPath) {
        if (name == Variable::ProgramFiles)
            return std::string();
        if (programFiles)
            return defaultPath + " replaces " + programFilesReference + " only in capitals: write " +
                   programFilesReference;
        const std::string onlyProgramFiles = defaultPath + " replaces only " + programFilesReference + ": ";
        if (Mb::ICmp(name.c_str(), "LOCALAPPDATA") == 0)
            return onlyProgramFiles + "with " + TagWithText(Setting::Scope, ScopeWord::User) +
                   " it is the user's own programs folder (%LOCALAPPDATA%\\Programs\\): write " +
                   programFilesReference + "Name";
        if (Mb::ICmp(name.c_str(), "ProgramFiles") == 0)
            return onlyProgramFiles + "write " + programFilesReference + " (it ends with a backslash)";
        return onlyProgramFiles + "write " + programFilesReference + "Name or a full path";
    }
    if (programFiles)
        return programFilesReference + " is replaced in " + defaultPath + " alone: write %ProgramFiles%\\ here";
    return IsKnown(name.c_str()) ? std::string() : Unknown(name);
}

} // namespace

std::vector<SVariableFault> FindVariableFaults(const char* text, bool inDefaultPath)
{
    std::vector<SVariableFault> faults;
    for (const char* p = strchr(text, '%'); p; p = strchr(p, '%')) {
        const char* q = p + 1;
        if (!IsNameStart(*q)) {
            p++;
            continue;
        }
        while (IsNameChar(*q))
            q++;
        if (*q != '%') {
            p++;
            continue;
        }
        const std::string name(p + 1, q);
        // "%C3%A9" in an address is an escaped byte, not a variable.
        const bool escape = name.size() == 2 && IsHex(name[0]) && IsHex(name[1]);
        const std::string why = escape ? std::string() : Why(name, inDefaultPath);
        if (!why.empty())
            faults.push_back(SVariableFault{Reference(name), why});
        p = q + 1;
    }
    return faults;
}
