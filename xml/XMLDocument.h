// CXMLDocument: the nameless root whose children are the top-level
// elements, with loading and saving; CXMLCreator: the parser that builds it.
#pragma once

#include "XMLNode.h"
#include "XMLNodeHeap.h"
#include "XMLParser.h"
#include "XMLStringPool.h"

class CXMLDocument : public CXMLNode
{
public:
    CXMLDocument();

    // Null when the file is missing or unreadable, or memory runs out. The
    // document comes with one reference, the caller's.
    static CXMLDocument* Load(const char* path);
    // keepNul: attribute values keep the NUL bytes that character
    // references decode to (the installer cuts them there), so a checker
    // can see them.
    static CXMLDocument* LoadFromMemory(const char* data, unsigned length, bool keepNul = false);

    // False when the file cannot be written.
    bool Save(const char* path) const;
    bool SavePretty(const char* path) const;
    bool SavePrettyWithSugarOnTop(const char* path) const;

protected:
    ~CXMLDocument() override;

private:
    static bool SaveText(const char* path, CCharArray& text);
};

// Turns parser events into a tree under a document. Tags whose names are not
// plain (letters, digits, '-', '.', ':', '_') are dropped, which disposes of
// <?xml ...?>, comments and declarations.
class CXMLCreator : public CXMLParser
{
public:
    explicit CXMLCreator(CXMLDocument* document, bool keepNul = false);
    ~CXMLCreator() override;

    void OnGotText(const char* text) override;
    // Builds straight from the tag text: the parser's 8 KB attribute
    // records are never filled on the way to a tree.
    void OnGotTagText(const char* tagText, bool selfClosing) override;
    void OnGotTag(const char* name, const CAttributeArray& attributes, bool selfClosing) override;
    void OnGotEndTag(const char* name) override;

    CXMLNode* GetCurrentNode() const { return m_pCurrent; }

private:
    // What Parse delivers, with the lengths it already knows.
    void OnGotTextSpan(const char* text, size_t length) override;
    void OnGotTagSpan(const char* tagText, size_t length, bool selfClosing) override;

    enum
    {
        kPooledValue = 16 // values up to this length are shared too
    };

    // An attribute read but not stored yet: the element is made once its
    // attributes are counted, so that they fit its first block.
    struct SPendingAttribute
    {
        const char* pName; // in the tag text
        unsigned uNameLength;
        CSmallString strValue;
    };

    void BuildFromTag(const char* tagText, size_t length, bool selfClosing);
    void AddPending(const char* name, unsigned nameLength, const char* value, unsigned valueLength);
    void OpenElement(const char* name, unsigned length, bool selfClosing);
    void CloseElement(const char* name, unsigned length);

    CXMLDocument* m_pDocument;
    CXMLNode* m_pCurrent; // the innermost open element
    // Names stay apart from values, which are many and mostly new: in one
    // pool the values would keep pushing the few names out.
    CXMLStringPool m_names;
    CXMLStringPool m_values;
    CXMLNodeHeap m_heap;
    // Kept from tag to tag: a value moved into its element leaves an empty
    // string behind.
    Container::CArray<SPendingAttribute> m_arrPending;
    unsigned m_uPending;
    bool m_bKeepNul;
};
