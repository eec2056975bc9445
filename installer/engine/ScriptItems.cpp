// Settings and items of the current script section.
#include "ScriptWords.h"
#include "SinReader.h"
#include "XMLDocument.h"

CXMLNode* CSinReader::FindSection()
{
    return m_pDocument ? m_pDocument->FindNode(m_strSection) : nullptr;
}

unsigned CSinReader::GetInstallStepCount()
{
    CXMLNode* section = FindSection();
    return section ? section->GetChildCount() : 0;
}

bool CSinReader::GetInstallItem(const char* name, CSmallString& value)
{
    CXMLNode* section = FindSection();
    CXMLNode* element = section ? section->FindNode(name) : nullptr;
    if (!element)
        return false;
    unsigned id = 0;
    Container::CArray<unsigned char> item;
    if (!element->GetAttributeValue(Attr::Id, id))
        value = element->GetText();
    else if (ReadItem(id, item))
        value = CSmallString(reinterpret_cast<const char*>(item.GetData()), (int)item.GetSize());
    else
        value.Empty(); // an id outside the item table names nothing
    return true;
}

bool CSinReader::GetInstallBinaryItem(const char* name, Container::CArray<unsigned char>& data)
{
    CXMLNode* section = FindSection();
    CXMLNode* element = section ? section->FindNode(name) : nullptr;
    if (!element)
        return false;
    unsigned id = 0;
    if (element->GetAttributeValue(Attr::Id, id))
        ReadItem(id, data);
    return true;
}
