// Command lines under Windows: the portable table's lines read by the
// system's own CommandLineToArgvW, the environment's values (APP among
// them) passed whole, and launch-exe's program found by its full path.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

#include "CommandTextCases.h"
#include "ScriptCommandLine.h"
#include "WineTestEnv.h"

namespace {

// The arguments after the program's, joined by |, as the system reads them.
std::string SystemArguments(const std::string& line)
{
    const std::string whole = "p.exe " + line;
    std::wstring wide(whole.size() + 1, L'\0');
    wide.resize((size_t)MultiByteToWideChar(CP_UTF8, 0, whole.c_str(), -1, &wide[0], (int)wide.size()) - 1);
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(wide.c_str(), &count);
    if (!argv)
        return "<CommandLineToArgvW failed>";
    std::string arguments;
    for (int i = 1; i < count; i++) {
        char text[1024] = "";
        WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, text, sizeof(text), nullptr, nullptr);
        arguments += (i > 1 ? "|" : "") + std::string(text);
    }
    LocalFree(argv);
    return arguments;
}

struct CEnvironmentVariable
{
    std::string strName;
    CEnvironmentVariable(const char* name, const char* value) : strName(name) { SetEnvironmentVariableA(name, value); }
    ~CEnvironmentVariable() { SetEnvironmentVariableA(strName.c_str(), nullptr); }
};

} // namespace

TEST(ScriptCommandLine, SystemReadsTheTableAsMeant)
{
    for (const SCommandTextCase& c : g_aCommandTextCases)
        EXPECT_EQ(c.pszArguments, SystemArguments(c.pszLine)) << c.pszLine;
}

TEST(ScriptCommandLine, EnvironmentValuesPassWhole)
{
    CEnvironmentVariable app("APP", "C:\\Games\\Kids' Games\\Hello\\");
    CEnvironmentVariable empty("KX_EMPTY", "");
    CEnvironmentVariable quote("KX_QUOTE", "say \"hi\"");
    const struct
    {
        bool apostrophes;
        const char *text, *arguments;
    } cases[] = {
        {true, "/c del /q '%APP%cache'", "/c|del|/q|C:\\Games\\Kids' Games\\Hello\\cache"},
        {true, "%app% %KX_QUOTE% '%KX_EMPTY%' %NO_SUCH_VARIABLE_KX%",
         "C:\\Games\\Kids' Games\\Hello\\|say \"hi\"||%NO_SUCH_VARIABLE_KX%"},
        {false, "'%APP%'", "'C:\\Games\\Kids' Games\\Hello\\'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.arguments, SystemArguments(ExpandScriptCommandLine(c.text, c.apostrophes).GetText())) << c.text;
}

// The program by its full path, checked to be there; its arguments as the
// script meant them. A relative program is refused, a bare name is looked
// for in the system folder alone.
TEST(ScriptCommandLine, LaunchLine)
{
    CTestFolder dir;
    const std::string app = dir / "Program Files\\Mini\\";
    CreateDirectoryA((dir / "Program Files").c_str(), nullptr);
    CreateDirectoryA(app.c_str(), nullptr);
    WriteWholeFile(app + "hello.exe", "MZ");
    CEnvironmentVariable variable("APP", app.c_str());
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);

    const struct
    {
        const char *text, *program, *arguments;
    } cases[] = {
        {"%APP%hello.exe --marker \"%APP%x y.txt\"", "hello.exe", "--marker|{APP}x y.txt"},
        {"\"%APP%hello.exe\" --marker x", "hello.exe", "--marker|x"},
        {"  %APP%\\hello.exe", "hello.exe", ""},
        {"cmd /c echo", "cmd.exe", "/c|echo"},
        {"\"cmd.exe\"", "cmd.exe", ""},
    };
    for (const auto& c : cases) {
        SProgramLine line;
        CSmallString why;
        ASSERT_TRUE(MakeLaunchLine(c.text, line, why)) << c.text << ": " << why.GetText();
        const std::string folder = strcmp(c.program, "cmd.exe") ? app : std::string(system) + "\\";
        EXPECT_STRCASEEQ((folder + c.program).c_str(), line.strProgram) << c.text;
        const std::string commandLine = line.BuildCommandLine().GetText();
        EXPECT_EQ("\"" + std::string(line.strProgram) + "\"", commandLine.substr(0, line.strProgram.GetLength() + 2));
        std::string arguments = c.arguments;
        const size_t at = arguments.find("{APP}");
        if (at != std::string::npos)
            arguments.replace(at, 5, app);
        EXPECT_EQ(arguments, SystemArguments(line.strArguments.GetText())) << c.text;
    }

    const struct
    {
        const char *text, *why;
    } refused[] = {
        {"hello.exe --marker x", "there is no "}, // not looked for in the current folder
        {"Mini\\hello.exe", "is not a full path"},
        {"..\\Mini\\hello.exe", "is not a full path"},
        {"C:hello.exe", "is not a full path"},
        {"\\hello.exe", "is not a full path"},
        {"%APP%missing.exe", "(2)"},
        {"%APP%", "is a folder"},
        {"", "no program"},
    };
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(app.c_str());
    for (const auto& c : refused) {
        SProgramLine line;
        CSmallString why;
        EXPECT_FALSE(MakeLaunchLine(c.text, line, why)) << c.text;
        EXPECT_NE(nullptr, strstr(why, c.why)) << c.text << ": " << why.GetText();
    }
    SetCurrentDirectoryA(previous);
}
