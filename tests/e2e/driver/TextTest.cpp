#include <gtest/gtest.h>

#include <cstdio>

#include "Text.h"
#include "resource.h"

TEST(DriverText, SplitArguments)
{
    struct SCase
    {
        std::string strLine;
        std::vector<std::string> arrExpected;
    };
    // A control as the scripts name it: the number of its name in resource.h.
    const std::string path = std::to_string(IDC_DEST_PATH);
    const SCase cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"click next", {"click", "next"}},
        {"  set-text   " + path + "  \"C:\\Program Files\\Hello\" ", {"set-text", path, "C:\\Program Files\\Hello"}},
        {"set-text " + path + " \"\"", {"set-text", path, ""}},
        {"answer-messagebox ok \"say \\\"hi\\\"\"", {"answer-messagebox", "ok", "say \"hi\""}},
        {"a\"b c\"d e", {"ab cd", "e"}},
        {"wait-window Title 500\r\n", {"wait-window", "Title", "500"}},
        {"unterminated \"quote here", {"unterminated", "quote here"}},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(Text::SplitArguments(c.strLine), c.arrExpected) << c.strLine;
}

TEST(DriverText, MatchesSubstringOrSlashedRegex)
{
    EXPECT_TRUE(Text::Matches("Hello Setup - Destination", "Destination"));
    EXPECT_TRUE(Text::Matches("Hello Setup - Destination", ""));
    EXPECT_FALSE(Text::Matches("Hello Setup - Destination", "destination"));
    EXPECT_TRUE(Text::Matches("Hello Setup - Progress", "/^Hello Setup - (Destination|Progress)$/"));
    EXPECT_FALSE(Text::Matches("Hello Setup - Terms and Conditions", "/^Hello Setup - (Destination|Progress)$/"));
    // A lone slash is text, not an empty expression.
    EXPECT_TRUE(Text::Matches("a/b", "/"));
    EXPECT_FALSE(Text::Matches("ab", "/"));
}

TEST(DriverText, OneLineAndNumbers)
{
    EXPECT_EQ(Text::OneLine("a\r\nb\tc"), "a\\r\\nb\\tc");
    EXPECT_EQ(Text::OneLine(std::string("a\0b\x01\x1f\x7f", 6)), "a\\0b\\x01\\x1f\\x7f");
    // Backslashes stay (paths), and so do bytes of UTF-8.
    EXPECT_EQ(Text::OneLine("C:\\x \xc3\xa9"), "C:\\x \xc3\xa9");
    long value = 0;
    EXPECT_TRUE(Text::ParseNumber(std::to_string(IDC_DEST_PATH), value));
    EXPECT_EQ(value, IDC_DEST_PATH);
    // The property sheet's buttons are written in hexadecimal, as comctl32 numbers them.
    char hex[16];
    std::snprintf(hex, sizeof(hex), "0x%x", IDC_WIZARD_NEXT);
    EXPECT_TRUE(Text::ParseNumber(hex, value)) << hex;
    EXPECT_EQ(value, IDC_WIZARD_NEXT);
    EXPECT_TRUE(Text::ParseNumber("-1", value));
    EXPECT_EQ(value, -1);
    for (const char* bad : {"", "next", "12a", "0x"})
        EXPECT_FALSE(Text::ParseNumber(bad, value)) << bad;
}
