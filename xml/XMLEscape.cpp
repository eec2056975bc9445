// Escaping of attribute values and element text for output. The entity
// table is not used here: only quot, amp, apos, lt, gt and decimal
// references are written, all of which the reader decodes.
#include <cstdio>
#include <cstring>
#include <new>

#include "XMLParser.h"

namespace {

class CEscapeTable
{
public:
    CEscapeTable()
    {
        static const char kKept[] = "[] -'()+,./\\:=?;!*#@$_%";
        for (unsigned c = 0; c < 256; c++) {
            const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
            if (alnum || (c != 0 && strchr(kKept, (int)c)))
                Set(c, nullptr);
            else
                Set(c, "");
        }
        Set('"', "&quot;");
        Set('&', "&amp;");
        Set('\'', "&apos;");
        Set('<', "&lt;");
        Set('>', "&gt;");
    }

    unsigned char Length(unsigned char c) const { return m_auLength[c]; }
    const char* Text(unsigned char c) const { return m_aszText[c]; }

private:
    // null: the character stands for itself; "": a decimal reference.
    void Set(unsigned c, const char* text)
    {
        if (!text) {
            m_aszText[c][0] = (char)c;
            m_aszText[c][1] = 0;
            m_auLength[c] = 1;
        } else {
            if (!*text)
                Mb::SNPrintf(m_aszText[c], sizeof(m_aszText[c]), "&#%u;", c);
            else
                Mb::SNPrintf(m_aszText[c], sizeof(m_aszText[c]), "%s", text);
            m_auLength[c] = (unsigned char)strlen(m_aszText[c]);
        }
    }

    char m_aszText[256][8];
    unsigned char m_auLength[256];
};

const CEscapeTable& EscapeTable()
{
    static const CEscapeTable s_table;
    return s_table;
}

} // namespace

void CXMLParser::ConvertSpecialChars(CSmallString& text)
{
    const CEscapeTable& table = EscapeTable();
    const unsigned char* in = reinterpret_cast<const unsigned char*>(text.GetText());
    const int length = text.GetLength();
    long long size = 0;
    for (int i = 0; i < length; i++)
        size += table.Length(in[i]);
    if (size == length)
        return; // every character stands for itself
    if (size > 0x7FFFFFFF)
        throw std::bad_alloc();
    CSmallString escaped;
    char* out = escaped.GetBuffer((int)size);
    for (int i = 0; i < length; i++) {
        const unsigned char n = table.Length(in[i]);
        memcpy(out, table.Text(in[i]), n);
        out += n;
    }
    escaped.ReleaseBuffer((int)size);
    text = escaped;
}
