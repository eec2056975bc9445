#include "FindFileIter.h"

#include "EngineHelpers.h"

CFindFileIter::CFindFileIter() : m_hFind(INVALID_HANDLE_VALUE), m_uLastError(0)
{
    ZeroMemory(&m_fdCurrent, sizeof(m_fdCurrent));
}

CFindFileIter::~CFindFileIter()
{
    Close();
}

void CFindFileIter::Close()
{
    if (m_hFind != INVALID_HANDLE_VALUE) {
        FindClose(m_hFind);
        m_hFind = INVALID_HANDLE_VALUE;
    }
}

bool CFindFileIter::FindFiles(const char* pattern)
{
    Close();
    ZeroMemory(&m_fdCurrent, sizeof(m_fdCurrent));
    CSmallString folder;
    const int length = lstrlenA(pattern);
    RemoveFilename(pattern, folder.GetBuffer(length));
    folder.ReleaseBuffer();
    m_strFolder = folder;

    m_hFind = FindFirstFileA(pattern, &m_fdCurrent);
    if (m_hFind == INVALID_HANDLE_VALUE) {
        m_uLastError = ::GetLastError();
        return false;
    }
    m_uLastError = 0;
    return true;
}

bool CFindFileIter::Next()
{
    if (m_hFind == INVALID_HANDLE_VALUE) {
        m_uLastError = ERROR_INVALID_HANDLE;
        return false;
    }
    if (!FindNextFileA(m_hFind, &m_fdCurrent)) {
        m_uLastError = ::GetLastError();
        return false;
    }
    return true;
}

bool CFindFileIter::IsDots() const
{
    return lstrcmpiA(m_fdCurrent.cFileName, ".") == 0 || lstrcmpiA(m_fdCurrent.cFileName, "..") == 0;
}
