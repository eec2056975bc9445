// Where a script's elements stand in its text, so that a message names the
// line and column a publisher looks at. The document model keeps no
// positions: the text is scanned again, split as the reader splits it.
#pragma once

#include <string>
#include <vector>

struct SPlace
{
    const char* pszFile = nullptr; // null: the script being checked
    unsigned uLine = 0;            // 1-based; 0: not known
    unsigned uColumn = 0;          // 1-based, in bytes; 0: not known
};

// Where a text made from a written one by replacing some of its parts
// stands in the written one, so that places in it name what was written.
class CTextEdits
{
public:
    // The length bytes at from in the written text became newLength bytes
    // at to in the new one; edits come in the order of the text.
    void Add(size_t from, size_t length, size_t to, size_t newLength);
    bool IsEmpty() const { return m_arrEdits.empty(); }
    // The written offset of an offset in the new text: within a
    // replacement, the start of what it replaced.
    size_t ToWritten(size_t offset) const;

private:
    struct SEdit
    {
        size_t uFrom, uLength, uTo, uNewLength;
    };
    std::vector<SEdit> m_arrEdits;
};

class CScriptPlaces
{
public:
    // Knows no place.
    CScriptPlaces() {}
    // The root element and its children in text, which must be well formed
    // (CheckXMLWellFormed): otherwise the elements found here would not be
    // the reader's. file names the text in messages (null: the script).
    CScriptPlaces(const char* text, unsigned length, const char* file = nullptr);
    // The elements of text, made from written by edits (the variables
    // replaced), at their places in written.
    CScriptPlaces(const char* text, unsigned length, const char* file, const char* written, unsigned writtenLength,
                  const CTextEdits& edits);

    const char* GetFile() const { return m_strFile.empty() ? nullptr : m_strFile.c_str(); }
    // The start tag's '<'.
    SPlace Root() const { return At(m_uRoot); }
    SPlace Element(unsigned index) const;
    // The attribute's name; the element's place when it isn't written there.
    SPlace Attribute(unsigned index, const char* name) const;
    // Any offset into the text.
    SPlace At(size_t offset) const;

private:
    void FindLines(const char* text, unsigned length);
    void FindElements(const char* text, unsigned length);

    static const size_t kNone = ~(size_t)0;

    struct SAttribute
    {
        std::string strName;
        size_t uOffset;
    };
    struct SElement
    {
        size_t uOffset;
        std::vector<SAttribute> arrAttributes;
    };

    std::string m_strFile;
    CTextEdits m_edits;
    std::vector<size_t> m_arrLineStarts;
    size_t m_uRoot = kNone;
    std::vector<SElement> m_arrElements;
};
