// CXMLDocument: the nameless root whose children are the top-level
// elements, with loading and saving; CXMLCreator: the parser that builds it.
#pragma once

#include "XMLNode.h"
#include "XMLParser.h"

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
    bool Save(const char* path) const { return SaveText(path, LayoutCompact); }
    bool SavePretty(const char* path) const { return SaveText(path, LayoutPretty); }
    bool SavePrettyWithSugarOnTop(const char* path) const { return SaveText(path, LayoutSugarOnTop); }

protected:
    ~CXMLDocument() override {}

private:
    bool SaveText(const char* path, ELayout layout) const;
};

// What the tree builder keeps in an element name: anything else drops the tag.
inline bool IsXMLNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == ':' || c == '_';
}

// Turns parser events into a tree under a document. Tags whose names are not
// plain (letters, digits, '-', '.', ':', '_') are dropped, which disposes of
// <?xml ...?>, comments and declarations.
class CXMLCreator : public CXMLParser
{
public:
    // keepNul: see CXMLDocument::LoadFromMemory.
    explicit CXMLCreator(CXMLDocument* document, bool keepNul = false);
    ~CXMLCreator() override;

    void OnGotText(const char* text) override;
    void OnGotTag(const char* name, const CAttributeArray& attributes, bool selfClosing) override;
    void OnGotEndTag(const char* name) override;

    CXMLNode* GetCurrentNode() const { return m_pCurrent; }

private:
    // The same few element and attribute names come back on every line of
    // a long script: each is kept once and shared by the nodes that use it.
    const CSmallString& Name(const char* name);

    CXMLDocument* m_pDocument;
    CXMLNode* m_pCurrent; // the innermost open element
    bool m_bKeepNul;
    CSmallString m_arrNames[8];
    unsigned m_uNextName = 0;
};
