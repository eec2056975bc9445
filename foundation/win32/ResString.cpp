#include "ResString.h"

#include <windows.h>

#include "Containers.h"
#include "SmallString.h"

namespace {

struct STranslated
{
    unsigned uID;
    CSmallString strText;
};

Container::CArray<STranslated>& Translated()
{
    static Container::CArray<STranslated> s_texts;
    return s_texts;
}

} // namespace

void SetTranslatedText(unsigned id, const char* text)
{
    Container::CArray<STranslated>& texts = Translated();
    for (unsigned i = 0; i < texts.GetSize(); i++)
        if (texts[i].uID == id) {
            texts[i].strText = text;
            return;
        }
    STranslated added;
    added.uID = id;
    added.strText = text;
    texts.Add(added);
}

void ClearTranslatedTexts() { Translated().SetSize(0); }

const char* GetTranslatedText(unsigned id)
{
    const Container::CArray<STranslated>& texts = Translated();
    for (unsigned i = 0; i < texts.GetSize(); i++)
        if (texts[i].uID == id)
            return texts[i].strText;
    return nullptr;
}

CResString::~CResString()
{
    if (m_pszText)
        HeapFree(GetProcessHeap(), 0, m_pszText);
}

char* CResString::Load()
{
    if (m_pszText)
        return m_pszText;
    if (const char* translated = GetTranslatedText(m_uID)) {
        m_nLength = lstrlenA(translated);
        m_pszText = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, (SIZE_T)m_nLength + 1));
        if (m_pszText)
            CopyMemory(m_pszText, translated, (SIZE_T)m_nLength + 1);
        return m_pszText;
    }
    HMODULE module = GetModuleHandleA(nullptr);
    // String tables come in blocks of 16; block n holds ids (n - 1) * 16 ...
    HRSRC block = FindResourceA(module, MAKEINTRESOURCEA(m_uID / 16 + 1), RT_STRING);
    if (!block)
        return nullptr;
    // The block's size in bytes bounds any of its strings converted to ANSI
    // (each UTF-16 unit there takes two bytes, at most two ANSI bytes here).
    const DWORD size = SizeofResource(module, block) + 1;
    char* buffer = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
    if (!buffer)
        return nullptr;
    if (LoadStringA(module, m_uID, buffer, (int)size) <= 0) {
        HeapFree(GetProcessHeap(), 0, buffer);
        return nullptr;
    }
    m_nLength = lstrlenA(buffer);
    char* smaller = static_cast<char*>(HeapReAlloc(GetProcessHeap(), 0, buffer, (SIZE_T)m_nLength + 1));
    m_pszText = smaller ? smaller : buffer;
    return m_pszText;
}
