#include "XMLDocument.h"

#include <new>

#include "FileText.h"

CXMLDocument::CXMLDocument() : CXMLNode("", nullptr) {}

CXMLDocument* CXMLDocument::Load(const char* path)
{
    CSmallString text;
    if (!path || !FileExists(path) || !LoadFileIntoString(path, text))
        return nullptr;
    return LoadFromMemory(text, (unsigned)text.GetLength());
}

CXMLDocument* CXMLDocument::LoadFromMemory(const char* data, unsigned length, bool keepNul)
{
    CXMLDocument* document = nullptr;
    try {
        document = new CXMLDocument;
        if (CXMLCreator(document, keepNul).Parse(data, length))
            return document;
    } catch (std::bad_alloc&) {
    }
    if (document)
        document->Release();
    return nullptr;
}

// Out of memory while writing is a failure like any other.
bool CXMLDocument::SaveText(const char* path, ELayout layout) const
{
    try {
        CCharArray text;
        Write(text, 0, layout);
        text.Add(0);
        return WriteStringToFile(path, text.GetData(), text.GetSize() - 1);
    } catch (std::bad_alloc&) {
        return false;
    }
}
