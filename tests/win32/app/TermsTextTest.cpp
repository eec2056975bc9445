// What the terms page puts into its edit control.
#include <gtest/gtest.h>

#include <string>

#include "TermsEncoding.h"
#include "TextLines.h"

namespace {

const char g_szNote[] = "[cut]";

std::string Prepare(const std::string& text, unsigned maxBytes = kTermsMaxBytes, unsigned maxLine = kTermsMaxLine)
{
    const CSmallString shown = PrepareTermsText(text.data(), (unsigned)text.size(), g_szNote, maxBytes, maxLine);
    return std::string(shown.GetText(), (size_t)shown.GetLength());
}

std::string Repeat(const std::string& text, unsigned count)
{
    std::string out;
    for (unsigned i = 0; i < count; i++)
        out += text;
    return out;
}

} // namespace

TEST(PrepareTermsText, LineEndsBreaksAndCuts)
{
    // Whole lines of 1 KB that fill the default budget exactly.
    const std::string full =
        Repeat(std::string(kTermsMaxLine / 2 - 2, 'x') + "\r\n", kTermsMaxBytes / (kTermsMaxLine / 2));
    const std::string euro = "\xE2\x82\xAC", smile = "\xF0\x9F\x98\x80";
    const struct
    {
        std::string text;
        unsigned maxBytes, maxLine;
        std::string expected;
    } cases[] = {
        {"", 100, 100, ""},
        // Every line end becomes CR LF.
        {"a\nb", 100, 100, "a\r\nb"},
        {"a\r\nb", 100, 100, "a\r\nb"},
        {"a\rb", 100, 100, "a\r\nb"},
        {"\n\nx\n", 100, 100, "\r\n\r\nx\r\n"},
        {"mixed\r\nand\nbare\r", 100, 100, "mixed\r\nand\r\nbare\r\n"},
        {"\r\r\n\n\r", 100, 100, "\r\n\r\n\r\n\r\n"},
        // A long line breaks after a blank, or else between characters;
        // nothing is lost, so no note.
        {"aaaa bbbb cccc", 100, 10, "aaaa bbbb \r\ncccc"},
        {"abcdefghij", 100, 4, "abcd\r\nefgh\r\nij"},
        {"abcd\nefgh", 100, 4, "abcd\r\nefgh"},
        {"abc" + euro + "def", 100, 4, "abc\r\n" + euro + "d\r\nef"},
        {"ab" + smile + "cd", 100, 4, "ab\r\n" + smile + "\r\ncd"},
        {"a" + smile, 100, 4, "a\r\n" + smile},
        // Too much: cut after the last whole line that fits, then the note.
        {"ab\ncd", 6, 100, "ab\r\ncd"},
        {"ab\ncd", 5, 100, "ab\r\n\r\n[cut]"},
        {"ab\ncd\n", 6, 100, "ab\r\n\r\n[cut]"},
        {"ab\ncd\n", 8, 100, "ab\r\ncd\r\n"},
        {"line1 line2 line3", 16, 6, "line1 \r\nline2 \r\n\r\n[cut]"},
        {full, kTermsMaxBytes, kTermsMaxLine, full},
        {full + "y", kTermsMaxBytes, kTermsMaxLine, full + "\r\n[cut]"},
        {full.substr(2) + "\n", kTermsMaxBytes, kTermsMaxLine, full.substr(2) + "\r\n"},
        {full.substr(2) + "\nz", kTermsMaxBytes, kTermsMaxLine, full.substr(2) + "\r\n\r\n[cut]"},
        // Not one line fits: as much of it as does, whole characters only.
        {"abcdef", 4, 100, "abcd\r\n\r\n[cut]"},
        {"ab cdef", 4, 100, "ab \r\n\r\n[cut]"},
        {euro + euro, 4, 100, euro + "\r\n\r\n[cut]"},
        {euro + euro, 5, 100, euro + "\r\n\r\n[cut]"},
        {euro + euro, 6, 100, euro + euro},
        // The control would stop at a NUL: what follows counts as cut.
        {std::string("abc\0def", 7), 100, 100, "abc\r\n\r\n[cut]"},
    };
    for (const auto& c : cases) {
        const std::string shown = Prepare(c.text, c.maxBytes, c.maxLine);
        EXPECT_EQ(c.expected, shown) << "text of " << c.text.size() << " bytes: " << c.text.substr(0, 40);
    }
}

// The case that hung and crashed the page: 5 MB on one line.
TEST(PrepareTermsText, FiveMegabytesOnOneLine)
{
    const std::string text =
        Repeat("lorem ipsum " + std::string("\xC3\xA9") + " dolor sit amet ", 5 * 1024 * 1024 / 30);
    const std::string shown = Prepare(text);
    const std::string tail = "\r\n\r\n" + std::string(g_szNote);
    ASSERT_GT(shown.size(), tail.size());
    EXPECT_LE(shown.size(), kTermsMaxBytes + tail.size() - 2);
    EXPECT_GE(shown.size(), kTermsMaxBytes - kTermsMaxLine);
    EXPECT_EQ(tail, shown.substr(shown.size() - tail.size()));
    std::string joined;
    size_t start = 0;
    for (size_t end; (end = shown.find("\r\n", start)) <= shown.size() - tail.size(); start = end + 2) {
        EXPECT_LE(end - start, (size_t)kTermsMaxLine);
        EXPECT_EQ(' ', shown[end - 1]) << "broken inside a word";
        joined += shown.substr(start, end - start);
    }
    EXPECT_EQ(text.substr(0, joined.size()), joined);
}

// Every encoding a publisher may save the terms in arrives as the same UTF-8.
TEST(TermsAsUtf8, Encodings)
{
    const std::string utf8 = "\xC3\x84\xC3\xA4kk\xC3\xB6set \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80";
    const struct
    {
        const char* what;
        std::string raw;
        std::string expected;
    } cases[] = {
        {"UTF-8", utf8, utf8},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + utf8, utf8},
        {"UTF-16LE with BOM",
         std::string("\xFF\xFE\xC4\x00\xE4\x00k\x00k\x00\xF6\x00s\x00" "e\x00t\x00 \x00\xE5\x65\x2C\x67 \x00\x3D\xD8\x00\xDE",
                     30),
         utf8},
        {"UTF-16BE with BOM",
         std::string("\xFE\xFF\x00\xC4\x00\xE4\x00k\x00k\x00\xF6\x00s\x00" "e\x00t\x00 \x65\xE5\x67\x2C\x00 \xD8\x3D\xDE\x00",
                     30),
         utf8},
        {"ANSI (1252)", "\xC4\xE4kk\xF6set \x80", "\xC3\x84\xC3\xA4kk\xC3\xB6set \xE2\x82\xAC"},
        {"empty", "", ""},
        {"BOM only", "\xFF\xFE", ""},
    };
    for (const auto& c : cases) {
        const CSmallString out = TermsAsUtf8(c.raw.data(), (unsigned)c.raw.size());
        EXPECT_EQ(c.expected, std::string(out.GetText(), (size_t)out.GetLength())) << c.what;
    }
}
