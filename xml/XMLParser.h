// CXMLParser: a one-pass event reader for the XML subset the installer
// writes. It splits a borrowed byte buffer into text runs and tags, decodes
// character entities and reports each piece through virtual callbacks; it
// builds nothing itself. There are no syntax errors: malformed input simply
// yields whatever events its bytes produce.
#pragma once

#include "Containers.h"
#include "SmallString.h"

class CXMLParser
{
public:
    // One attribute of a tag, both halves NUL-terminated. A value may hold
    // decoded NUL bytes: uValueLength counts them, the C string stops there.
    struct CAttribute
    {
        char szName[4096];
        char szValue[4096];
        unsigned uValueLength;
    };
    typedef Container::CArray<CAttribute> CAttributeArray;

    static constexpr unsigned kMaxEntityName = 255, kMaxTagName = 256;
    static constexpr unsigned kMaxAttributeText = 4096; // name and value together, as stored

    CXMLParser();
    virtual ~CXMLParser() { KxFree(m_pToken); }
    CXMLParser(const CXMLParser&) = delete;
    CXMLParser& operator=(const CXMLParser&) = delete;

    // Character data: entities decoded, each whitespace run cut to its
    // first character. May be empty.
    virtual void OnGotText(const char* text);
    // The raw inside of a tag; this implementation splits it and calls
    // OnGotTag or OnGotEndTag.
    virtual void OnGotTagText(const char* tagText, bool selfClosing);
    virtual void OnGotTag(const char* name, const CAttributeArray& attributes, bool selfClosing);
    virtual void OnGotEndTag(const char* name);

    // Reads exactly length bytes. False only when memory runs out; events
    // delivered before that stay delivered.
    bool Parse(const char* data, unsigned length);

    // Escapes text for output: the five XML names and &#N; for everything
    // that is not a letter, digit or harmless punctuation.
    static void ConvertSpecialChars(CSmallString& text);

private:
    enum EState
    {
        StateText,  // character data up to the next '<'
        StateTag,   // inside a tag, up to an unquoted '<' or '>'
        StateCData, // inside <![CDATA[ ... ]]>: bytes kept verbatim
        StateEnd,   // input used up: the last text goes out
    };

    EState ReadText();
    EState ReadTag();
    EState ReadCData();
    void AddToToken(char c);
    void DeliverText();

    const char* m_pRead;
    const char* m_pEnd;
    // Text and tags are gathered in one buffer, NUL-terminated when handed
    // out. Its first byte outlives a reset: see DeliverText.
    char* m_pToken;
    size_t m_uUsed;
    size_t m_uSize;
    bool m_bLastWasSpace;
    // Reused from tag to tag so that a tag costs no allocation.
    CAttributeArray m_arrAttributes;
};
