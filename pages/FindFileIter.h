// Enumerates the entries that match a FindFirstFile pattern.
#pragma once

#include <windows.h>

#include "SmallString.h"

class CFindFileIter
{
public:
    CFindFileIter();
    virtual ~CFindFileIter();
    CFindFileIter(const CFindFileIter&) = delete;
    CFindFileIter& operator=(const CFindFileIter&) = delete;

    // Closes any enumeration and starts one; false (and GetLastError set)
    // when nothing matches or the folder can't be read.
    bool FindFiles(const char* pattern);
    // The next entry; false (and GetLastError set) at the end.
    bool Next();
    // The current entry is "." or "..".
    bool IsDots() const;

    const WIN32_FIND_DATAA& GetFindData() const { return m_fdCurrent; }
    const char* GetFileName() const { return m_fdCurrent.cFileName; }
    bool IsDirectory() const { return (m_fdCurrent.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    // 0 after a successful FindFiles, else the system's error code.
    DWORD GetLastError() const { return m_uLastError; }
    // The pattern's folder part, with its separator ("" for a bare pattern).
    const CSmallString& GetFolder() const { return m_strFolder; }

private:
    void Close();

    WIN32_FIND_DATAA m_fdCurrent;
    HANDLE m_hFind;
    DWORD m_uLastError;
    CSmallString m_strFolder;
};
