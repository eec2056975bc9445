#include "VersionInfo.h"

#include <cctype>

#include "PeHeaders.h"
#include "Utf8.h"

namespace {

const uint32_t kFixedSignature = 0xFEEF04BD;
const uint32_t kFixedStructVersion = 0x00010000;
const uint32_t kFileFlagsMask = 0x3F;
const uint32_t kFileOsNtWindows32 = 0x00040004;
const uint32_t kFileTypeApp = 1;
const uint16_t kUnicodeCodePage = 1200;

// Windows-1252's 0x80-0x9F; the rest of its bytes are Latin-1.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void Append16(std::vector<unsigned char>& out, uint16_t value)
{
    out.push_back((unsigned char)value);
    out.push_back((unsigned char)(value >> 8));
}

void Append32(std::vector<unsigned char>& out, uint32_t value)
{
    Append16(out, (uint16_t)value);
    Append16(out, (uint16_t)(value >> 16));
}

void AppendText(std::vector<unsigned char>& out, const std::u16string& text)
{
    for (char16_t c : text)
        Append16(out, c);
    Append16(out, 0);
}

void Pad(std::vector<unsigned char>& out) { out.resize((out.size() + 3) / 4 * 4); }

// A block: its header, key, value and children. valueLength counts bytes
// for binary values and characters for texts, as the format has it.
std::vector<unsigned char> Block(const char16_t* key, bool text, const std::vector<unsigned char>& value,
                                 size_t valueLength, const std::vector<std::vector<unsigned char>>& children)
{
    std::vector<unsigned char> out;
    Append16(out, 0);
    Append16(out, (uint16_t)valueLength);
    Append16(out, text ? 1 : 0);
    AppendText(out, key);
    Pad(out);
    out.insert(out.end(), value.begin(), value.end());
    for (const std::vector<unsigned char>& child : children) {
        Pad(out);
        out.insert(out.end(), child.begin(), child.end());
    }
    Pe::WriteU16(out.data(), (uint16_t)out.size()); // the caller checks the whole fits 16 bits
    return out;
}

std::vector<unsigned char> StringBlock(const char16_t* key, const std::u16string& value)
{
    std::vector<unsigned char> bytes;
    AppendText(bytes, value);
    return Block(key, true, bytes, value.size() + 1, {});
}

} // namespace

const char* ParseVersionNumbers(const std::string& text, uint16_t numbers[4], bool& numbered)
{
    for (int i = 0; i < 4; i++)
        numbers[i] = 0;
    numbered = !text.empty() && isdigit((unsigned char)text[0]);
    size_t at = 0;
    for (int part = 0; at < text.size() && isdigit((unsigned char)text[at]); part++) {
        if (part == 4)
            return "it has more than four numbers (Windows keeps four, each up to 65535)";
        unsigned long value = 0;
        while (at < text.size() && isdigit((unsigned char)text[at])) {
            value = value * 10 + (unsigned)(text[at++] - '0');
            if (value > 0xFFFF)
                return "a number in it is over 65535 (Windows keeps four numbers, each up to 65535)";
        }
        numbers[part] = (uint16_t)value;
        if (at + 1 >= text.size() || text[at] != '.')
            break;
        at++;
    }
    return nullptr;
}

std::u16string ToUtf16(const std::string& text)
{
    std::u16string out;
    const char* end = text.data() + text.size();
    if (!Utf8::IsValid(text.data(), text.size())) {
        for (unsigned char c : text)
            out += c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : (char16_t)c;
        return out;
    }
    for (const char* p = text.data(); p < end;) {
        const uint32_t c = Utf8::Next(p, end);
        if (c >= 0x10000) {
            out += (char16_t)(0xD800 + ((c - 0x10000) >> 10));
            out += (char16_t)(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += (char16_t)c;
        }
    }
    return out;
}

const char* MakeVersionInfo(const SVersionTexts& texts, std::vector<unsigned char>& resource)
{
    uint16_t numbers[4];
    bool numbered = false;
    if (const char* why = ParseVersionNumbers(texts.strProductVersion, numbers, numbered))
        return why;
    const uint32_t high = (uint32_t)numbers[0] << 16 | numbers[1], low = (uint32_t)numbers[2] << 16 | numbers[3];
    std::vector<unsigned char> fixed;
    for (uint32_t field : {kFixedSignature, kFixedStructVersion, high, low, high, low, kFileFlagsMask, 0u,
                           kFileOsNtWindows32, kFileTypeApp, 0u, 0u, 0u})
        Append32(fixed, field);

    const std::pair<const char16_t*, const std::string*> named[] = {
        {u"CompanyName", &texts.strCompany},          {u"FileDescription", &texts.strDescription},
        {u"FileVersion", &texts.strProductVersion},   {u"LegalCopyright", &texts.strCopyright},
        {u"ProductName", &texts.strProductName},      {u"ProductVersion", &texts.strProductVersion}};
    std::vector<std::vector<unsigned char>> strings;
    for (const auto& text : named)
        if (!text.second->empty())
            strings.push_back(StringBlock(text.first, ToUtf16(*text.second)));
    // Each text is a block of the table, whose length is 16 bits too.
    size_t total = 0;
    for (const std::vector<unsigned char>& block : strings)
        total += block.size() + 3;
    if (total > 0xF000)
        return "the version texts are too long (together they must stay under 30,000 characters)";

    std::vector<unsigned char> translation;
    Append16(translation, kVersionLanguage);
    Append16(translation, kUnicodeCodePage);
    const std::vector<unsigned char> none;
    resource = Block(u"VS_VERSION_INFO", false, fixed, fixed.size(),
                     {Block(u"StringFileInfo", true, none, 0, {Block(u"040904B0", true, none, 0, strings)}),
                      Block(u"VarFileInfo", true, none, 0,
                            {Block(u"Translation", false, translation, translation.size(), {})})});
    return nullptr;
}
