// CXMLDocument: the nameless root whose children are the top-level
// elements, with loading and saving; CXMLCreator: the parser that builds it.
#pragma once

#include "XMLNode.h"
#include "XMLParser.h"
#include "XMLStringPool.h"

class CXMLDocument : public CXMLNode
{
public:
    CXMLDocument();

    // Null when the file is missing or unreadable, or memory runs out. The
    // document comes with one reference, the caller's.
    static CXMLDocument* Load(const char* path);
    static CXMLDocument* LoadFromMemory(const char* data, unsigned length);

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
    explicit CXMLCreator(CXMLDocument* document);
    ~CXMLCreator() override;

    void OnGotText(const char* text) override;
    void OnGotTag(const char* name, const CAttributeArray& attributes, bool selfClosing) override;
    void OnGotEndTag(const char* name) override;

    CXMLNode* GetCurrentNode() const { return m_pCurrent; }

private:
    enum
    {
        kPooledValue = 16 // values up to this length are shared too
    };

    CXMLDocument* m_pDocument;
    CXMLNode* m_pCurrent; // the innermost open element
    CXMLStringPool m_pool;
};
