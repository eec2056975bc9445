#include "XMLDocument.h"

#include <new>

#include "FileText.h"

CXMLDocument::CXMLDocument() : CXMLNode("", nullptr) {}

CXMLDocument::~CXMLDocument() {}

CXMLDocument* CXMLDocument::Load(const char* path)
{
    if (!path || !FileExists(path))
        return nullptr;
    CSmallString text;
    if (!LoadFileIntoString(path, text))
        return nullptr;
    return LoadFromMemory(text, (unsigned)text.GetLength());
}

CXMLDocument* CXMLDocument::LoadFromMemory(const char* data, unsigned length, bool keepNul)
{
    CXMLDocument* document = nullptr;
    try {
        document = new CXMLDocument;
        bool parsed;
        {
            CXMLCreator creator(document, keepNul);
            parsed = creator.Parse(data, length);
        }
        if (parsed)
            return document;
    } catch (std::bad_alloc&) {
    }
    if (document)
        document->Release();
    return nullptr;
}

bool CXMLDocument::SaveText(const char* path, CCharArray& text)
{
    text.Add(0);
    return WriteStringToFile(path, text.GetData(), text.GetSize() - 1);
}

bool CXMLDocument::Save(const char* path) const
{
    try {
        CCharArray text;
        SaveToCharArray(text);
        return SaveText(path, text);
    } catch (std::bad_alloc&) {
        return false;
    }
}

bool CXMLDocument::SavePretty(const char* path) const
{
    try {
        CCharArray text;
        SavePrettyToCharArray(text, 0);
        return SaveText(path, text);
    } catch (std::bad_alloc&) {
        return false;
    }
}

bool CXMLDocument::SavePrettyWithSugarOnTop(const char* path) const
{
    try {
        CCharArray text;
        SavePrettyWithSugarOnTopToCharArray(text, 0);
        return SaveText(path, text);
    } catch (std::bad_alloc&) {
        return false;
    }
}
