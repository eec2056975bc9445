// Settings and items of the current script section.
#include <cstring>

#include "ScriptWords.h"
#include "Language.h"
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

CXMLNode* CSinReader::FindSetting(const char* name, bool perLanguage)
{
    CXMLNode* section = FindSection();
    if (!section)
        return nullptr;
    // One in the run's language first; else the first without lang, as ever.
    if (CXMLNode* translated = perLanguage && !(m_strLanguage == "en") ? FindInLanguage(section, name, m_strLanguage)
                                                                          : nullptr)
        return translated;
    for (unsigned i = 0; i < section->GetChildCount(); i++) {
        CXMLNode* child = section->GetChild(i);
        const char* lang = child->GetAttributeValue(Attr::Lang);
        if (child->GetName() == name && (!lang || !*lang))
            return child;
    }
    return nullptr;
}

bool CSinReader::GetShownAppName(CSmallString& value)
{
    const CXMLNode* element = FindSetting(Setting::AppName, true);
    if (!element)
        return false;
    value = element->GetText();
    return true;
}

bool CSinReader::GetInstallItem(const char* name, CSmallString& value)
{
    CXMLNode* element = FindSetting(name, strcmp(name, Setting::AppName) != 0);
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
    CXMLNode* element = FindSetting(name, true);
    if (!element)
        return false;
    unsigned id = 0;
    if (element->GetAttributeValue(Attr::Id, id))
        ReadItem(id, data);
    return true;
}
