// Splits the inside of a tag, as OnGotTagText receives it, into its name and
// attributes. The parser's own OnGotTagText and the tree builder both read
// tags through it, so the two cannot disagree on a single rule.
#pragma once

#include <cstddef>

#include "XMLParser.h"
#include "XMLScan.h"

class CXMLTagSplitter
{
public:
    // A run of the tag text, or of the decoded value; not NUL-terminated.
    struct SSpan
    {
        const char* p;
        unsigned n;
    };

    // text: length bytes, none of them NUL.
    CXMLTagSplitter(const char* text, size_t length);
    CXMLTagSplitter(const CXMLTagSplitter&) = delete;
    CXMLTagSplitter& operator=(const CXMLTagSplitter&) = delete;

    bool IsEndTag() const { return m_bEndTag; }
    // At most CXMLParser::kMaxTagName characters.
    const SSpan& GetName() const { return m_name; }

    // The next attribute, false after the last. Name and value stay valid
    // until the next call: a value with entities is decoded into this
    // object, any other span points into the tag text.
    inline bool NextAttribute(SSpan& name, SSpan& value);

private:
    enum ETagChar
    {
        kSpace = 1,         // the multibyte-aware space test
        kEndsTagName = 2,   // a space
        kEndsAttribute = 4, // a space or '='
    };

    static const unsigned char* Kinds();
    bool Is(char c, unsigned kind) const { return (m_pKinds[(unsigned char)c] & kind) != 0; }
    const char* SkipSpace(const char* p) const
    {
        while (p < m_pEnd && Is(*p, kSpace))
            p++;
        return p;
    }
    const char* DecodeValue(const char* p, const char* amp, unsigned limit, char term, SSpan& value);

    const unsigned char* m_pKinds; // what each byte means here
    const char* m_p;
    const char* const m_pEnd;
    SSpan m_name;
    bool m_bEndTag;
    char m_achValue[CXMLParser::kMaxAttributeText];
};

// A name keeps at most 4095 characters (the rest starts the next
// attribute), and a value stops when name and value together reach 4096
// characters or the value fills its own 4095, as the fixed records of
// CXMLParser::CAttribute hold them. Inline: it runs once per attribute.
inline bool CXMLTagSplitter::NextAttribute(SSpan& name, SSpan& value)
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
