// Splits the inside of a tag, as OnGotTagText receives it, into its name and
// attributes. The parser's own OnGotTagText and the tree builder both read
// tags through it, so the two cannot disagree on a single rule.
#pragma once

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

    explicit CXMLTagSplitter(const char* tagText);
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
    const unsigned char* m_pKinds; // what each byte means here
    const char* m_p;
    SSpan m_name;
    bool m_bEndTag;
    char m_achValue[CXMLParser::kMaxAttributeText];
};
