// Command lines from the script's text: each case's expansion, and the
// arguments a program reads from it; every argument quoted alone reads
// back the same.
#include <gtest/gtest.h>

#include <string>

#include "CommandText.h"
#include "CommandTextCases.h"

namespace {

std::string ReadArguments(const char* line)
{
    std::string arguments;
    const char* p = line;
    bool first = true;
    while (*p) {
        CSmallString argument;
        p = TakeCommandArgument(p, argument);
        arguments += (first ? "" : "|") + std::string(argument.GetText());
        first = false;
    }
    return arguments;
}

} // namespace

TEST(CommandText, Table)
{
    CCommandTextCaseVariables variables;
    for (const SCommandTextCase& c : g_aCommandTextCases) {
        const CSmallString line = ExpandCommandText(c.pszText, variables, c.bApostrophes);
        EXPECT_STREQ(c.pszLine, line.GetText()) << c.pszText;
        EXPECT_EQ(c.pszArguments, ReadArguments(c.pszLine)) << c.pszLine;

        std::string arguments = c.pszArguments;
        for (size_t start = 0, end; start <= arguments.size(); start = end + 1) {
            end = arguments.find('|', start);
            if (end == std::string::npos)
                end = arguments.size();
            const std::string argument = arguments.substr(start, end - start);
            const CSmallString quoted = QuoteCommandArgument(argument.c_str());
            CSmallString back;
            EXPECT_EQ("", std::string(TakeCommandArgument(quoted, back))) << quoted.GetText();
            EXPECT_EQ(argument, back.GetText()) << quoted.GetText();
        }
    }
    EXPECT_STREQ("\"C:\\Program Files\\Mini\\hello.exe\"", QuoteCommandProgram("C:\\Program Files\\Mini\\hello.exe"));
    EXPECT_STREQ("plain", QuoteCommandArgument("plain"));
    EXPECT_STREQ("\"\"", QuoteCommandArgument(""));
}
