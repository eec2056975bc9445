// Splits the inside of a tag, as OnGotTagText receives it, into its name and
// attributes. The parser's own OnGotTagText and the tree builder both read
// tags through it, so the two cannot disagree on a single rule.
#pragma once

#include <cstddef>

#include "XMLParser.h"

class CXMLTagSplitter
{
public:
    // A run of the tag text, or of the decoded value; not NUL-terminated.
    struct SSpan
    {
        const char* p;
        unsigned n;
    };

    // text: length bytes, none of them NUL. A value decoded to a NUL byte
    // ends there, as the parser's C strings have it, unless keepNul.
    CXMLTagSplitter(const char* text, size_t length, bool keepNul = false);
    CXMLTagSplitter(const CXMLTagSplitter&) = delete;
    CXMLTagSplitter& operator=(const CXMLTagSplitter&) = delete;

    bool IsEndTag() const { return m_bEndTag; }
    // At most CXMLParser::kMaxTagName characters.
    const SSpan& GetName() const { return m_name; }

    // The next attribute, false after the last. Name and value stay valid
    // until the next call: a value with entities is decoded into this
    // object, any other span points into the tag text.
    bool NextAttribute(SSpan& name, SSpan& value);

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
    bool m_bKeepNul;
    char m_achValue[CXMLParser::kMaxAttributeText];
};
