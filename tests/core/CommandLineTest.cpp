// The installer's command line: switches, /D= with its blanks, the one
// uninstall log argument, and what is refused.
#include <gtest/gtest.h>

#include "CommandLine.h"
#include "Versions.h"

TEST(CommandLine, Table)
{
    const struct
    {
        const char* line;
        bool ok, silent, force, help, destination, close;
        const char *dest, *log, *uninstallLog;
    } cases[] = {
        {"setup.exe", true, false, false, false, false, false, "", "", ""},
        {"\"C:\\Temp Folder\\setup.exe\"", true, false, false, false, false, false, "", "", ""},
        {"setup.exe /S", true, true, false, false, false, false, "", "", ""},
        {"setup.exe /s /d=C:\\Program Files\\My App", true, true, false, false, true, false,
         "C:\\Program Files\\My App", "", ""},
        {"setup.exe /S /D=\"C:\\My App\"  ", true, true, false, false, true, false, "C:\\My App", "", ""},
        {"setup.exe /S \"/D=C:\\My App\"", true, true, false, false, true, false, "C:\\My App", "", ""},
        {"setup.exe /S /LOG=\"C:\\logs\\a b.txt\" /FORCE", true, true, true, false, false, false, "",
         "C:\\logs\\a b.txt", ""},
        {"setup.exe /?", true, false, false, true, false, false, "", "", ""},
        {"setup.exe /Help", true, false, false, true, false, false, "", "", ""},
        {"setup.exe --help", true, false, false, true, false, false, "", "", ""},
        {"\"C:\\T\\kx-uninstaller-temp.exe\" \"C:\\Program Files\\Hello\\uninstall.dat\"", true, false, false, false,
         false, false, "", "", "C:\\Program Files\\Hello\\uninstall.dat"},
        {"copy.exe /S /RESULTPIPE=44 /PARENT=52 \"/KEEP=C:\\A B\\uninstall.exe\" \"C:\\A B\\uninstall.dat\"", true,
         true, false, false, false, false, "", "", "C:\\A B\\uninstall.dat"},
        // Two plain arguments: as if there were none, as before.
        {"setup.exe one two", true, false, false, false, false, false, "", "", ""},
        {"setup.exe /SILENT", false, false, false, false, false, false, "", "", ""},
        {"setup.exe /quiet", false, false, false, false, false, false, "", "", ""},
        {"setup.exe /S /D=", false, true, false, false, true, false, "", "", ""},
        {"setup.exe /LOG=", false, false, false, false, false, false, "", "", ""},
        {"setup.exe /RESULTPIPE=x", false, false, false, false, false, false, "", "", ""},
        {"setup.exe /S /CLOSEAPPLICATIONS", true, true, false, false, false, true, "", "", ""},
        {"uninstall.exe /closeapplications /S /LOG=u.log", true, true, false, false, false, true, "", "u.log", ""},
        {"setup.exe /S /CloseApplications /D=C:\\My App", true, true, false, false, true, true, "C:\\My App", "", ""},
        // Only the whole word, and only before /D=, which takes the rest.
        {"setup.exe /S /CLOSEAPPS", false, true, false, false, false, false, "", "", ""},
        {"setup.exe /S /CLOSEAPPLICATIONS=yes", false, true, false, false, false, false, "", "", ""},
        {"setup.exe /S /D=C:\\App /CLOSEAPPLICATIONS", true, true, false, false, true, false,
         "C:\\App /CLOSEAPPLICATIONS", "", ""},
    };
    for (const auto& c : cases) {
        SCommandLine line;
        EXPECT_EQ(c.ok, ParseCommandLine(c.line, line)) << c.line;
        EXPECT_EQ(c.ok, line.strError.IsEmpty()) << c.line;
        if (!c.ok)
            continue;
        EXPECT_EQ(c.silent, line.bSilent) << c.line;
        EXPECT_EQ(c.force, line.bForce) << c.line;
        EXPECT_EQ(c.help, line.bHelp) << c.line;
        EXPECT_EQ(c.destination, line.bDestination) << c.line;
        EXPECT_EQ(c.close, line.bCloseApplications) << c.line;
        EXPECT_STREQ(c.dest, line.strDestination) << c.line;
        EXPECT_STREQ(c.log, line.strLog) << c.line;
        EXPECT_STREQ(c.uninstallLog, line.strUninstallLog) << c.line;
    }

    SCommandLine line;
    ASSERT_TRUE(ParseCommandLine("copy.exe /RESULTPIPE=44 /PARENT=52 \"/KEEP=C:\\A B\\u.exe\" x", line));
    EXPECT_EQ(44ul, line.ulResultPipe);
    EXPECT_EQ(52ul, line.ulParent);
    EXPECT_STREQ("C:\\A B\\u.exe", line.strKeep);
    // Backslashes stay as they are unless they precede a quote.
    ASSERT_TRUE(ParseCommandLine("setup.exe \"C:\\dir\\\\\" /S", line));
    EXPECT_STREQ("C:\\dir\\", line.strUninstallLog);
    EXPECT_TRUE(line.bSilent);

    // Scope switches: one at most; what the installer restarts itself with
    // parses back as the same line.
    EXPECT_FALSE(ParseCommandLine("setup.exe /ALLUSERS /CurrentUser", line));
    for (const char* text : {"setup.exe /allusers /S /REBOOTOK \"/LOG=C:\\a b\\x.log\" /D=C:\\Program Files\\A B",
                             "setup.exe /CURRENTUSER /FORCE /CLOSEAPPLICATIONS /NORESTART /ELEVATED",
                             "setup.exe /LOG=C:\\logs\\ /ALLUSERS"}) {
        SCommandLine first, again;
        ASSERT_TRUE(ParseCommandLine(text, first)) << text;
        const CSmallString composed = ComposeArguments(first);
        ASSERT_TRUE(ParseCommandLine(CSmallString("setup.exe ") + composed, again)) << composed.GetText();
        for (const auto& flag : {&SCommandLine::bSilent, &SCommandLine::bForce, &SCommandLine::bCloseApplications,
                                 &SCommandLine::bRebootOk, &SCommandLine::bNoRestart, &SCommandLine::bAllUsers,
                                 &SCommandLine::bCurrentUser, &SCommandLine::bElevated, &SCommandLine::bDestination})
            EXPECT_EQ(first.*flag, again.*flag) << composed.GetText();
        EXPECT_STREQ(first.strLog, again.strLog) << composed.GetText();
        EXPECT_STREQ(first.strDestination, again.strDestination) << composed.GetText();
    }
    ASSERT_TRUE(ParseCommandLine("setup.exe /allusers /S", line));
    EXPECT_TRUE(line.bAllUsers);
    EXPECT_FALSE(line.bCurrentUser);
}

TEST(Versions, Compare)
{
    const struct
    {
        const char *a, *b;
        int sign;
    } cases[] = {
        {"1.0", "1.0", 0},   {"1.0", "1", 0},         {"1.1", "1.0", 1},      {"1.10", "1.9", 1},
        {"2.0", "10.0", -1}, {"1.0.1", "1.0", 1},     {"1.0b", "1.0", -1},    {"1.0b", "1.0a", 1},
        {"1.0-rc1", "1.0", -1}, {"", "", 0},           {"", "0.1", -1},        {"3.2.1", "3.2.01", 0},
        {"1.2.3.4", "1.2.3.5", -1}, {"V2", "v2", 0},
    };
    for (const auto& c : cases) {
        const int got = CompareVersions(c.a, c.b);
        EXPECT_EQ(c.sign, (got > 0) - (got < 0)) << c.a << " vs " << c.b;
        const int back = CompareVersions(c.b, c.a);
        EXPECT_EQ(-c.sign, (back > 0) - (back < 0)) << c.b << " vs " << c.a;
    }
}
