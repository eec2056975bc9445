// Arguments quoted for a command line come back as they were, through the
// installer's own parser and, on Windows, through the system's.
#include <gtest/gtest.h>

#include <string>

#include "CommandLine.h"
#include "CommandText.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

TEST(QuoteCommandArgument, ReadsBackThroughTheInstallersParser)
{
    const struct
    {
        const char* argument;
        const char* quoted;
    } cases[] = {
        {"C:\\Program Files\\Hello\\uninstall.dat", "\"C:\\Program Files\\Hello\\uninstall.dat\""},
        {"plain", "plain"},
        {"", "\"\""},
        {"C:\\dir\\", "C:\\dir\\"},
        {"C:\\a b\\\\", "\"C:\\a b\\\\\\\\\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"a\\\"b", "\"a\\\\\\\"b\""},
        {"a\\\\\"b", "\"a\\\\\\\\\\\"b\""},
        {"\\\\server\\share\\x y", "\"\\\\server\\share\\x y\""},
        {"tab\there", "\"tab\there\""},
        {"C:\\Pr\xc3\xb6gr\xc3\xa4mme\\\xe6\x97\xa5\xe6\x9c\xac", "C:\\Pr\xc3\xb6gr\xc3\xa4mme\\\xe6\x97\xa5\xe6\x9c\xac"},
        {"/LOG=C:\\logs\\a b.txt", "\"/LOG=C:\\logs\\a b.txt\""},
        {"/KEEP=C:\\A B\\uninstall.exe", "\"/KEEP=C:\\A B\\uninstall.exe\""},
    };
    for (const auto& c : cases) {
        const CSmallString quoted = QuoteCommandArgument(c.argument);
        EXPECT_STREQ(c.quoted, quoted) << c.argument;

        // The installer's parser: a switch, or the one plain argument.
        const std::string line = std::string("\"C:\\T\\copy.exe\" /S ") + quoted.GetText();
        SCommandLine parsed;
        ASSERT_TRUE(ParseCommandLine(line.c_str(), parsed)) << line;
        const std::string argument = c.argument;
        if (argument.rfind("/LOG=", 0) == 0) {
            EXPECT_EQ(argument.substr(5), parsed.strLog.GetText()) << line;
        } else if (argument.rfind("/KEEP=", 0) == 0) {
            EXPECT_EQ(argument.substr(6), parsed.strKeep.GetText()) << line;
        } else if (!argument.empty()) {
            EXPECT_EQ(argument, parsed.strUninstallLog.GetText()) << line;
        }
        EXPECT_TRUE(parsed.bSilent) << line;

#ifdef _WIN32
        // The system's reading (ASCII only: the wide conversion is not the point).
        bool ascii = true;
        for (const char* p = c.argument; *p; p++)
            ascii = ascii && (unsigned char)*p < 0x80;
        if (ascii) {
            const std::wstring wide(line.begin(), line.end());
            int count = 0;
            LPWSTR* args = CommandLineToArgvW(wide.c_str(), &count);
            ASSERT_NE(nullptr, args);
            ASSERT_EQ(3, count) << line;
            EXPECT_EQ(std::wstring(argument.begin(), argument.end()), args[2]) << line;
            LocalFree(args);
        }
#endif
    }
}
