// Splitting the inside of a tag into its name and attributes.
#include <cstring>

#include "Platform.h"
#include "XMLEntities.h"
#include "XMLParser.h"

namespace {

// The multibyte-aware space test, asked once per byte value.
class CSpaceTable
{
public:
    CSpaceTable()
    {
        for (unsigned c = 0; c < 256; c++)
            m_abSpace[c] = c != 0 && Mb::IsSpace(c);
    }
    bool operator()(char c) const { return m_abSpace[(unsigned char)c]; }

private:
    bool m_abSpace[256];
};

const CSpaceTable& IsSpace()
{
    static const CSpaceTable s_table;
    return s_table;
}

inline void SkipSpace(const CSpaceTable& isSpace, const char*& p)
{
    while (isSpace(*p))
        p++;
}

} // namespace

void CXMLParser::OnGotTagText(const char* tagText, bool selfClosing)
{
    const CSpaceTable& isSpace = IsSpace();
    const char* p = tagText;
    SkipSpace(isSpace, p);
    const bool endTag = *p == '/';
    if (endTag)
        p++;
    SkipSpace(isSpace, p);
    // A longer name is cut; its rest is read as attribute text.
    char name[kMaxTagName + 1];
    unsigned n = 0;
    while (*p && !isSpace(*p) && n < kMaxTagName)
        name[n++] = *p++;
    name[n] = 0;

    if (endTag) {
        OnGotEndTag(name); // attributes of an end tag mean nothing
        return;
    }
    SplitAttributes(p);
    OnGotTag(name, m_arrAttributes, selfClosing);
}

// Each name and value is stored NUL-terminated in its 4096-byte array: a
// name keeps at most 4095 characters (the rest starts the next attribute),
// and a value stops when name and value together reach 4096 characters or
// the value fills its own array.
void CXMLParser::SplitAttributes(const char* p)
{
    const CSpaceTable& isSpace = IsSpace();
    m_arrAttributes.SetSize(0);
    for (;;) {
        SkipSpace(isSpace, p);
        if (!*p)
            break;
        m_arrAttributes.SetSize(m_arrAttributes.GetSize() + 1);
        CAttribute& attribute = m_arrAttributes[m_arrAttributes.GetSize() - 1];

        unsigned nName = 0;
        while (*p && !isSpace(*p) && *p != '=' && nName < kMaxAttributeText - 1)
            attribute.szName[nName++] = *p++;
        attribute.szName[nName] = 0;

        unsigned nValue = 0;
        SkipSpace(isSpace, p);
        if (*p == '=') {
            p++;
            SkipSpace(isSpace, p);
            const bool quoted = *p == '"';
            if (quoted)
                p++;
            const char* end = strchr(p, quoted ? '"' : ' ');
            if (!end)
                end = p + strlen(p);
            unsigned limit = kMaxAttributeText - nName;
            if (limit > kMaxAttributeText - 1)
                limit = kMaxAttributeText - 1;
            // Entities end with the value: its end stands for the end of input.
            while (p < end && nValue < limit) {
                char c = *p++;
                if (c == '&')
                    ReadXMLEntity(p, end, c);
                attribute.szValue[nValue++] = c;
            }
            if (quoted && p == end && *p == '"')
                p++;
        }
        attribute.szValue[nValue] = 0;
    }
}
