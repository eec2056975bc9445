#include "CommandLine.h"

#include <cstdlib>
#include <cstring>

#include "Platform.h"
#include "Translation.h"

const char g_szUsage[] = "Usage:\n"
                         "  setup.exe [/S] [/CLOSEAPPLICATIONS] [/REBOOTOK] [/NORESTART] [/LOG=file]\n"
                         "            [/FORCE] [/ALLUSERS | /CURRENTUSER] [/LANG=code] [/D=folder]\n"
                         "  uninstall.exe [/S] [/CLOSEAPPLICATIONS] [/REBOOTOK] [/NORESTART] [/LOG=file]\n"
                         "                [/LANG=code]\n\n"
                         "/S\tInstall or uninstall without any window.\n"
                         "/D=folder\tInstall into folder (last on the line; spaces allowed).\n"
                         "/LOG=file\tWrite the setup log to file (default: in %TEMP%).\n"
                         "/FORCE\tInstall even over a newer version.\n"
                         "/LANG=code\tShow the texts in this language, such as de or pt-BR\n"
                         "\t(default: the user's language).\n"
                         "/ALLUSERS\tInstall for all users, where the installer lets you\n"
                         "\tchoose (administrator rights).\n"
                         "/CURRENTUSER\tInstall just for you, where the installer lets you choose.\n"
                         "/CLOSEAPPLICATIONS\tWith /S, close the programs that use the\n"
                         "\tapplication's files (else the run stops with 5).\n"
                         "/REBOOTOK\tFiles still in use are replaced or removed at the\n"
                         "\tnext restart (administrators only; exit code 3010).\n"
                         "/NORESTART\tNever restart Windows (always so with /S).\n"
                         "/?\tShow this help.\n\n"
                         "Exit codes:\n"
                         "0 done\n"
                         "1 the installer is damaged\n"
                         "2 cancelled\n"
                         "3 the installation or uninstallation failed\n"
                         "4 bad command line\n"
                         "5 files in use by programs that were not closed\n"
                         "6 a newer version is installed (see /FORCE)\n"
                         "7 another installation is running\n"
                         "3010 done, Windows finishes it at the next restart\n"
                         "0 and 3010 mean success.";

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One argument by the rules of CommandLineToArgvW: quotes group, a
// backslash escapes a quote only when it precedes one.
const char* NextArgument(const char* p, CSmallString& argument)
{
    argument.Empty();
    while (IsBlank(*p))
        p++;
    bool quoted = false;
    while (*p && (quoted || !IsBlank(*p))) {
        if (*p == '\\') {
            int backslashes = 0;
            while (p[backslashes] == '\\')
                backslashes++;
            if (p[backslashes] == '"') {
                for (int i = 0; i < backslashes / 2; i++)
                    argument += '\\';
                p += backslashes;
                if (backslashes % 2) {
                    argument += '"';
                    p++;
                }
                continue;
            }
            for (int i = 0; i < backslashes; i++)
                argument += '\\';
            p += backslashes;
            continue;
        }
        if (*p == '"') {
            quoted = !quoted;
            p++;
            continue;
        }
        argument += *p++;
    }
    return p;
}

// The program's own path: quoted or up to the first blank, no escapes.
const char* SkipProgram(const char* p)
{
    while (IsBlank(*p))
        p++;
    if (*p == '"') {
        const char* end = strchr(p + 1, '"');
        return end ? end + 1 : p + strlen(p);
    }
    while (*p && !IsBlank(*p))
        p++;
    return p;
}

bool Is(const CSmallString& argument, const char* name) { return Mb::ICmp(argument, name) == 0; }

// "/NAME=value": true with the value when argument starts with prefix.
bool Value(const CSmallString& argument, const char* prefix, CSmallString& value)
{
    const size_t n = strlen(prefix);
    if ((size_t)argument.GetLength() < n || Mb::NbICmp(argument, prefix, n) != 0)
        return false;
    value = CSmallString(argument.GetText() + n);
    return true;
}

bool Number(const CSmallString& text, unsigned long& number)
{
    char* end = nullptr;
    number = strtoul(text, &end, 10);
    return !text.IsEmpty() && end && !*end;
}

bool Fail(SCommandLine& line, const char* what, const char* argument)
{
    line.strError = CSmallString(what) + argument;
    return false;
}

} // namespace

bool ParseCommandLine(const char* commandLine, SCommandLine& line)
{
    line = SCommandLine();
    const char* p = SkipProgram(commandLine ? commandLine : "");
    int plain = 0;
    for (;;) {
        while (IsBlank(*p))
            p++;
        if (!*p)
            break;
        // /D= takes the rest of the line as it stands, quotes optional (also
        // around the whole switch, as programs that quote blanks write it).
        const char* d = *p == '"' ? p + 1 : p;
        if (d[0] == '/' && (d[1] == 'D' || d[1] == 'd') && d[2] == '=') {
            CSmallString rest(d + 3);
            rest.TrimRight();
            if (d != p && rest.GetLength() && rest.GetAt(rest.GetLength() - 1) == '"')
                rest = rest.Mid(0, rest.GetLength() - 1);
            if (rest.GetLength() >= 2 && rest.GetAt(0) == '"' && rest.GetAt(rest.GetLength() - 1) == '"')
                rest = rest.Mid(1, rest.GetLength() - 2);
            line.bDestination = true;
            line.strDestination = rest;
            if (rest.IsEmpty())
                return Fail(line, "/D= names no folder", "");
            break;
        }
        CSmallString argument, value;
        p = NextArgument(p, argument);
        if (argument.IsEmpty())
            continue;
        if (argument.GetAt(0) != '/') {
            // The help spellings of other programs, rather than a log named so.
            if (Is(argument, "-?") || Is(argument, "-h") || Is(argument, "--help") || Is(argument, "-help")) {
                line.bHelp = true;
                continue;
            }
            line.strUninstallLog = argument;
            plain++;
            continue;
        }
        if (Is(argument, "/S"))
            line.bSilent = true;
        else if (Is(argument, "/FORCE"))
            line.bForce = true;
        else if (Is(argument, "/CLOSEAPPLICATIONS"))
            line.bCloseApplications = true;
        else if (Is(argument, "/REBOOTOK"))
            line.bRebootOk = true;
        else if (Is(argument, "/NORESTART"))
            line.bNoRestart = true;
        else if (Is(argument, "/ALLUSERS"))
            line.bAllUsers = true;
        else if (Is(argument, "/CURRENTUSER"))
            line.bCurrentUser = true;
        else if (Is(argument, "/ELEVATED"))
            line.bElevated = true;
        else if (Is(argument, "/?") || Is(argument, "/HELP"))
            line.bHelp = true;
        else if (Value(argument, "/LOG=", value)) {
            if (value.IsEmpty())
                return Fail(line, "/LOG= names no file", "");
            line.strLog = value;
        } else if (Value(argument, "/LANG=", value)) {
            if (!Translation::IsLanguageCode(value))
                return Fail(line, "/LANG= needs a language code such as de or pt-BR: ", argument);
            line.strLanguage = value;
        } else if (Value(argument, "/RESULTPIPE=", value)) {
            if (!Number(value, line.ulResultPipe))
                return Fail(line, "bad switch: ", argument);
        } else if (Value(argument, "/PARENT=", value)) {
            if (!Number(value, line.ulParent))
                return Fail(line, "bad switch: ", argument);
        } else if (Value(argument, "/KEEP=", value)) {
            line.strKeep = value;
        } else {
            return Fail(line, "unknown switch: ", argument);
        }
    }
    if (line.bAllUsers && line.bCurrentUser)
        return Fail(line, "choose one of /ALLUSERS and /CURRENTUSER", "");
    if (plain > 1) {
        // Old launchers never pass two: taken as no argument at all.
        line.strUninstallLog.Empty();
    }
    return true;
}

CSmallString ComposeArguments(const SCommandLine& line)
{
    const struct
    {
        bool set;
        const char* name;
    } switches[] = {{line.bSilent, "/S"},          {line.bForce, "/FORCE"},
                    {line.bCloseApplications, "/CLOSEAPPLICATIONS"}, {line.bRebootOk, "/REBOOTOK"},
                    {line.bNoRestart, "/NORESTART"}, {line.bAllUsers, "/ALLUSERS"},
                    {line.bCurrentUser, "/CURRENTUSER"}, {line.bElevated, "/ELEVATED"}};
    CSmallString arguments;
    for (const auto& s : switches)
        if (s.set)
            arguments += CSmallString(arguments.IsEmpty() ? "" : " ") + s.name;
    if (!line.strLog.IsEmpty()) {
        // Quoted whole; a backslash before the closing quote doubled, so
        // that it doesn't escape it.
        CSmallString log = line.strLog;
        if (log.GetAt(log.GetLength() - 1) == '\\')
            log += '\\';
        arguments += CSmallString(arguments.IsEmpty() ? "" : " ") + "\"/LOG=" + log + "\"";
    }
    if (!line.strLanguage.IsEmpty())
        arguments += CSmallString(arguments.IsEmpty() ? "" : " ") + "/LANG=" + line.strLanguage;
    if (line.bDestination)
        arguments += CSmallString(arguments.IsEmpty() ? "" : " ") + "/D=" + line.strDestination;
    return arguments;
}
