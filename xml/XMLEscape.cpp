// Escaping of attribute values and element text for output. Only quot, amp,
// apos, lt, gt and decimal references are written, all of which the reader
// decodes, one byte each. A well-formed UTF-8 character stays as it is: a
// Cyrillic letter is 2 bytes instead of 12, which keeps packed scripts
// with translations small; any other byte above 127 is a reference.
#include <cstring>
#include <new>

#include "Utf8.h"
#include "XMLParser.h"

namespace {

// The replacement of a character, or null when it stands for itself.
const char* Escape(char ch, char (&number)[8])
{
    static const char kNamed[] = "\"&'<>";
    static const char* const kNames[] = {"&quot;", "&amp;", "&apos;", "&lt;", "&gt;"};
    static const char kKept[] = "[] -'()+,./\\:=?;!*#@$_%";
    const unsigned char c = (unsigned char)ch;
    if (const char* named = c ? strchr(kNamed, c) : nullptr)
        return kNames[named - kNamed];
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || (c && strchr(kKept, c)))
        return nullptr;
    Mb::SNPrintf(number, sizeof(number), "&#%u;", c);
    return number;
}

// The length of the UTF-8 character of two bytes or more at text[i], or 0.
int MultiByteAt(const CSmallString& text, int i)
{
    if ((unsigned char)text.GetAt(i) < 0x80)
        return 0;
    const char* p = text.GetText() + i;
    const char* const start = p;
    return Utf8::Next(p, text.GetText() + text.GetLength()) & Utf8::kRawByte ? 0 : (int)(p - start);
}

} // namespace

void CXMLParser::ConvertSpecialChars(CSmallString& text)
{
    const int length = text.GetLength();
    char number[8];
    int i = 0;
    for (int run = 0; i < length && ((run = MultiByteAt(text, i)) > 0 || !Escape(text.GetAt(i), number));)
        i += run > 0 ? run : 1;
    if (i == length)
        return; // every character stands for itself
    Container::CArray<char> out;
    out.Append(text.GetText(), (unsigned)i);
    while (i < length) {
        const int run = MultiByteAt(text, i);
        const char* escaped = run > 0 ? nullptr : Escape(text.GetAt(i), number);
        const unsigned n = escaped ? (unsigned)strlen(escaped) : run > 0 ? (unsigned)run : 1;
        out.Append(escaped ? escaped : text.GetText() + i, n);
        i += run > 0 ? run : 1;
    }
    if (out.GetSize() > 0x7FFFFFFF)
        throw std::bad_alloc();
    text = CSmallString(out.GetData(), (int)out.GetSize());
}
