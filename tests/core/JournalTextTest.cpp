// The journal's lines: fields of any text read back as they were written;
// a line cut short, or with a broken escape, doesn't count.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "JournalText.h"

namespace {

std::vector<std::vector<std::string>> Parse(const std::string& text)
{
    Container::CArray<JournalText::CFields> lines;
    JournalText::ParseLines(text.data(), (unsigned)text.size(), lines);
    std::vector<std::vector<std::string>> out;
    for (unsigned i = 0; i < lines.GetSize(); i++) {
        out.emplace_back();
        for (unsigned f = 0; f < lines[i].GetSize(); f++)
            out.back().push_back(std::string(lines[i][f].GetText(), lines[i][f].GetLength()));
    }
    return out;
}

} // namespace

TEST(JournalText, FieldsReadBackAsWritten)
{
    const std::vector<std::vector<std::string>> records = {
        {"file", "C:\\Program Files\\Hello\\hello.exe", "0"},
        {"file", "C:\\a\\b.txt", ""},
        {"", ""},
        {"value", "HKEY_CURRENT_USER\\Software\\x", "tab\there", "line\nfeed\rreturn", "back\\\\slash\\"},
        {"t\\n is not a line feed", "\\t", "\\"},
        {"commit"},
    };
    std::string text;
    for (const auto& record : records) {
        std::vector<CSmallString> fields;
        for (const auto& field : record)
            fields.emplace_back(field.c_str(), (int)field.size());
        const CSmallString line = JournalText::FormatLine(fields.data(), (unsigned)fields.size());
        // One line each, whatever the fields hold.
        const std::string written(line.GetText(), line.GetLength());
        EXPECT_EQ(written.find('\n'), written.size() - 1) << written;
        EXPECT_EQ(written.find('\r'), std::string::npos) << written;
        text += written;
    }
    EXPECT_EQ(Parse(text), records);
}

TEST(JournalText, CutAndBrokenLinesDoNotCount)
{
    const struct
    {
        const char* pszText;
        std::vector<std::vector<std::string>> records;
    } cases[] = {
        {"", {}},
        {"commit", {}},
        {"a\tb\nfile\tC:\\x", {{"a", "b"}}},
        {"a\tb\n\n", {{"a", "b"}, {""}}},
        {"bad\\q\tescape\ngood\n", {{"good"}}},
        {"ends in\\\nnext\n", {{"next"}}},
        {"a\\\\\tb\\t\n", {{"a\\", "b\t"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Parse(c.pszText), c.records) << c.pszText;
}

TEST(JournalText, Hex)
{
    const unsigned char bytes[] = {0, 1, 0x7f, 0x80, 0xab, 0xff};
    const CSmallString hex = JournalText::ToHex(bytes, sizeof(bytes));
    EXPECT_STREQ(hex.GetText(), "00017f80abff");
    Container::CArray<unsigned char> back;
    ASSERT_TRUE(JournalText::FromHex(hex, back));
    ASSERT_EQ(back.GetSize(), sizeof(bytes));
    EXPECT_EQ(0, memcmp(back.GetData(), bytes, sizeof(bytes)));
    EXPECT_TRUE(JournalText::FromHex("", back));
    EXPECT_EQ(back.GetSize(), 0u);
    EXPECT_TRUE(JournalText::FromHex("AbCd", back));
    EXPECT_EQ(back.GetSize(), 2u);
    for (const char* bad : {"0", "0g", "abc", " 00", "0x00"})
        EXPECT_FALSE(JournalText::FromHex(bad, back)) << bad;
}
