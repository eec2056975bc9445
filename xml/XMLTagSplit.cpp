// Splitting the inside of a tag into its name and attributes.
#include "XMLTagSplit.h"

#include <cstring>

#include "Platform.h"
#include "XMLEntities.h"
#include "XMLScan.h"

namespace {

// What each byte value means to the splitter, asked once per process.
class CTagCharTable
{
public:
    CTagCharTable(unsigned space, unsigned endsTagName, unsigned endsAttribute)
    {
        for (unsigned c = 0; c < 256; c++) {
            const bool blank = c != 0 && Mb::IsSpace(c);
            m_auKind[c] =
                (unsigned char)((blank ? space | endsTagName | endsAttribute : 0) | (c == '=' ? endsAttribute : 0));
        }
    }
    const unsigned char* Kinds() const { return m_auKind; }

private:
    unsigned char m_auKind[256];
};

} // namespace

const unsigned char* CXMLTagSplitter::Kinds()
{
    static const CTagCharTable s_table(kSpace, kEndsTagName, kEndsAttribute);
    return s_table.Kinds();
}

CXMLTagSplitter::CXMLTagSplitter(const char* text, size_t length, bool keepNul)
    : m_pKinds(Kinds()), m_pEnd(text + length), m_bKeepNul(keepNul)
{
    const char* p = SkipSpace(text);
    m_bEndTag = p < m_pEnd && *p == '/';
    if (m_bEndTag)
        p++;
    p = SkipSpace(p);
    // A longer name is cut; its rest is read as attribute text.
    const char* const name = p;
    const char* const limit = (size_t)(m_pEnd - p) > CXMLParser::kMaxTagName ? p + CXMLParser::kMaxTagName : m_pEnd;
    while (p < limit && !Is(*p, kEndsTagName))
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
    const char* p = SkipSpace(m_p);
    if (p == m_pEnd) {
        m_p = p;
        return false;
    }
    name.p = p;
    const char* const nameLimit = (size_t)(m_pEnd - p) > kMaxText - 1 ? p + (kMaxText - 1) : m_pEnd;
    while (p < nameLimit && !Is(*p, kEndsAttribute))
        p++;
    name.n = (unsigned)(p - name.p);

    value.p = p;
    value.n = 0;
    p = SkipSpace(p);
    if (p < m_pEnd && *p == '=') {
        p = SkipSpace(p + 1);
        const bool quoted = p < m_pEnd && *p == '"';
        if (quoted)
            p++;
        // A quoted value runs to the next quote, any other to the next space.
        const char term = quoted ? '"' : ' ';
        unsigned limit = kMaxText - name.n;
        if (limit > kMaxText - 1)
            limit = kMaxText - 1;
        const char* const stop = (size_t)(m_pEnd - p) > limit ? p + limit : m_pEnd;
        const char* const first = XMLScan::FindEither<XMLScan::CChunk>(p, m_pEnd, term, '&');
        if (first < stop && *first == '&') {
            p = DecodeValue(p, first, limit, term, value);
        } else {
            // Nothing to decode: the value is the tag text itself.
            const char* const valueEnd = first < stop ? first : stop;
            value.p = p;
            value.n = (unsigned)(valueEnd - p);
            p = valueEnd;
        }
        // A value cut short leaves its quote to what follows.
        if (quoted && p < m_pEnd && *p == '"')
            p++;
    }
    m_p = p;
    return true;
}

// Entities end with the value: its end stands for the end of input.
const char* CXMLTagSplitter::DecodeValue(const char* p, const char* amp, unsigned limit, char term, SSpan& value)
{
    const char* const found = static_cast<const char*>(memchr(amp, term, (size_t)(m_pEnd - amp)));
    const char* const end = found ? found : m_pEnd;
    unsigned n = (unsigned)(amp - p);
    memcpy(m_achValue, p, n);
    p = amp;
    while (p < end && n < limit) {
        char c = *p++;
        if (c == '&') {
            const char* entityEnd = p; // p itself stays in a register
            ReadXMLEntity(entityEnd, end, c);
            p = entityEnd;
        }
        m_achValue[n++] = c;
    }
    // A decoded NUL ends the value, as it ends the record's C string.
    const void* nul = m_bKeepNul ? nullptr : memchr(m_achValue, 0, n);
    value.p = m_achValue;
    value.n = nul ? (unsigned)(static_cast<const char*>(nul) - m_achValue) : n;
    return p;
}

// The base implementation hands the pieces on in CXMLParser's own form.
void CXMLParser::OnGotTagText(const char* tagText, bool selfClosing)
{
    CXMLTagSplitter split(tagText, strlen(tagText));
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
