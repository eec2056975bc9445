// Splitting the inside of a tag into its name and attributes.
#include "XMLTagSplit.h"

#include <cstring>

#include "Platform.h"
#include "XMLEntities.h"

namespace {

enum ETagChar
{
    kSpace = 1,         // the multibyte-aware space test
    kEndsTagName = 2,   // a space or the end
    kEndsAttribute = 4, // a space, '=' or the end
};

// What each byte value means to the splitter, asked once per process.
class CTagCharTable
{
public:
    CTagCharTable()
    {
        for (unsigned c = 0; c < 256; c++) {
            const bool space = c != 0 && Mb::IsSpace(c);
            m_auKind[c] = (unsigned char)((space ? kSpace : 0) | (space || c == 0 ? kEndsTagName : 0) |
                                          (space || c == 0 || c == '=' ? kEndsAttribute : 0));
        }
    }
    const unsigned char* Kinds() const { return m_auKind; }

private:
    unsigned char m_auKind[256];
};

const unsigned char* TagCharKinds()
{
    static const CTagCharTable s_table;
    return s_table.Kinds();
}

inline bool Is(const unsigned char* kinds, char c, unsigned kind) { return (kinds[(unsigned char)c] & kind) != 0; }

inline const char* SkipSpace(const unsigned char* kinds, const char* p)
{
    while (Is(kinds, *p, kSpace))
        p++;
    return p;
}

} // namespace

CXMLTagSplitter::CXMLTagSplitter(const char* tagText) : m_pKinds(TagCharKinds())
{
    const char* p = SkipSpace(m_pKinds, tagText);
    m_bEndTag = *p == '/';
    if (m_bEndTag)
        p++;
    p = SkipSpace(m_pKinds, p);
    // A longer name is cut; its rest is read as attribute text.
    const char* const name = p;
    const char* const limit = name + CXMLParser::kMaxTagName;
    while (p < limit && !Is(m_pKinds, *p, kEndsTagName))
        p++;
    m_name.p = name;
    m_name.n = (unsigned)(p - name);
    m_p = p;
}

// A name keeps at most 4095 characters (the rest starts the next
// attribute), and a value stops when name and value together reach 4096
// characters or the value fills its own 4095, as the fixed records of
// CXMLParser::CAttribute hold them.
bool CXMLTagSplitter::NextAttribute(SSpan& name, SSpan& value)
{
    const unsigned kMaxText = CXMLParser::kMaxAttributeText;
    const unsigned char* const kinds = m_pKinds;
    const char* p = SkipSpace(kinds, m_p);
    if (!*p) {
        m_p = p;
        return false;
    }
    name.p = p;
    const char* const nameLimit = p + (kMaxText - 1);
    while (p < nameLimit && !Is(kinds, *p, kEndsAttribute))
        p++;
    name.n = (unsigned)(p - name.p);

    value.p = p;
    value.n = 0;
    p = SkipSpace(kinds, p);
    if (*p == '=') {
        p = SkipSpace(kinds, p + 1);
        const bool quoted = *p == '"';
        if (quoted)
            p++;
        const char* end = strchr(p, quoted ? '"' : ' ');
        if (!end)
            end = p + strlen(p);
        unsigned limit = kMaxText - name.n;
        if (limit > kMaxText - 1)
            limit = kMaxText - 1;
        const char* stop = (size_t)(end - p) > limit ? p + limit : end;
        const char* amp = static_cast<const char*>(memchr(p, '&', (size_t)(stop - p)));
        value.p = p;
        if (!amp) {
            // Nothing to decode: the value is the tag text itself.
            value.n = (unsigned)(stop - p);
            p = stop;
        } else {
            // Entities end with the value: its end stands for the end of input.
            unsigned n = (unsigned)(amp - p);
            memcpy(m_achValue, p, n);
            p = amp;
            while (p < end && n < limit) {
                char c = *p++;
                if (c == '&')
                    ReadXMLEntity(p, end, c);
                m_achValue[n++] = c;
            }
            // A decoded NUL ends the value, as it ends the record's C string.
            const void* nul = memchr(m_achValue, 0, n);
            value.p = m_achValue;
            value.n = nul ? (unsigned)(static_cast<const char*>(nul) - m_achValue) : n;
        }
        if (quoted && p == end && *p == '"')
            p++;
    }
    m_p = p;
    return true;
}

// The base implementation hands the pieces on in CXMLParser's own form.
void CXMLParser::OnGotTagText(const char* tagText, bool selfClosing)
{
    CXMLTagSplitter split(tagText);
    char name[kMaxTagName + 1];
    memcpy(name, split.GetName().p, split.GetName().n);
    name[split.GetName().n] = 0;
    if (split.IsEndTag()) {
        OnGotEndTag(name); // attributes of an end tag mean nothing
        return;
    }
    // The records are kept from tag to tag and only the bytes in use are
    // written: each is 8 KB.
    m_arrAttributes.SetSize(0);
    CXMLTagSplitter::SSpan attributeName, value;
    while (split.NextAttribute(attributeName, value)) {
        const unsigned i = m_arrAttributes.GetSize();
        m_arrAttributes.SetSize(i + 1);
        CAttribute& attribute = m_arrAttributes[i];
        memcpy(attribute.szName, attributeName.p, attributeName.n);
        attribute.szName[attributeName.n] = 0;
        memcpy(attribute.szValue, value.p, value.n);
        attribute.szValue[value.n] = 0;
    }
    OnGotTag(name, m_arrAttributes, selfClosing);
}
