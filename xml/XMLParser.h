// CXMLParser: a one-pass event reader for the XML subset the installer
// writes. It splits a borrowed byte buffer into text runs and tags, decodes
// character entities and reports each piece through virtual callbacks; it
// builds nothing itself. There are no syntax errors: malformed input simply
// yields whatever events its bytes produce.
#pragma once

#include <cstddef>

#include "Containers.h"
#include "SmallString.h"

class CXMLParser
{
public:
    // One attribute of a tag, both halves NUL-terminated.
    struct CAttribute
    {
        char szName[4096];
        char szValue[4096];
    };
    typedef Container::CArray<CAttribute> CAttributeArray;

    enum
    {
        kMaxEntityName = 255,
        kMaxTagName = 256,
        kMaxAttributeText = 4096, // name and value together, as stored
    };

    CXMLParser();
    virtual ~CXMLParser();
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

    // Builds the shared entity tables if no parser has done so yet.
    static void InitialiseMaps();

private:
    // How Parse hands text and tags to the callbacks above, with their
    // lengths (the C string's: a NUL inside ends it). A tag's text may lie
    // in the input itself, when it needs no folding. These forward to
    // OnGotText and OnGotTagText; the tree builder takes them directly.
    virtual void OnGotTextSpan(const char* text, size_t length);
    virtual void OnGotTagSpan(const char* tagText, size_t length, bool selfClosing);

    enum EState
    {
        StateText,     // character data up to the next '<'
        StateTag,      // inside a tag, up to an unquoted '<' or '>'
        StateCData,    // inside <![CDATA[ ... ]]>: bytes kept verbatim
        StateEnd,      // input used up: flush the last text
        StateNoMemory, // the token buffer could not grow
    };

    EState ReadText();
    EState ReadTag();
    EState ReadCData();

    bool AddRawTokenChar(char c);
    bool GrowToken();
    void DeliverText();
    void ResetCurrentToken();

    const char* m_pRead;
    const char* m_pEnd;
    char* m_pToken;      // start of the token buffer
    char* m_pTokenWrite; // next free byte
    char* m_pTokenLimit; // last byte, kept for the terminating NUL
    bool m_bLastWasSpace;
    bool m_bTokenHasNul; // then the text ends before the write position
    bool m_bFromEntity;  // the last character came from an entity
    bool m_bInCData;
    // Reused from tag to tag so that a tag costs no allocation.
    CAttributeArray m_arrAttributes;
};
