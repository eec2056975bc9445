// Escaping of attribute values and element text for output. Only quot, amp,
// apos, lt, gt and decimal references are written, all of which the reader
// decodes.
#include <cstring>
#include <new>

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

} // namespace

void CXMLParser::ConvertSpecialChars(CSmallString& text)
{
    const int length = text.GetLength();
    char number[8];
    int i = 0;
    while (i < length && !Escape(text.GetAt(i), number))
        i++;
    if (i == length)
        return; // every character stands for itself
    Container::CArray<char> out;
    out.Append(text.GetText(), (unsigned)i);
    for (; i < length; i++) {
        const char* escaped = Escape(text.GetAt(i), number);
        out.Append(escaped ? escaped : text.GetText() + i, escaped ? (unsigned)strlen(escaped) : 1);
    }
    if (out.GetSize() > 0x7FFFFFFF)
        throw std::bad_alloc();
    text = CSmallString(out.GetData(), (int)out.GetSize());
}
