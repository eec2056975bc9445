#include "ResString.h"

#include <windows.h>

CResString::~CResString()
{
    if (m_pszText)
        HeapFree(GetProcessHeap(), 0, m_pszText);
}

char* CResString::Load()
{
    if (m_pszText)
        return m_pszText;
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
