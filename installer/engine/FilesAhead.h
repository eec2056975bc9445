// New files made ahead of the writer on a thread of its own. Making a file
// costs more than writing a small one (under Wine, several times more), so
// the next files are made while the current one is written.
#pragma once

#include <windows.h>

#include "Containers.h"
#include "SmallString.h"

class CFilesAhead
{
public:
    CFilesAhead() {}
    ~CFilesAhead() { Stop(); }
    CFilesAhead(const CFilesAhead&) = delete;
    CFilesAhead& operator=(const CFilesAhead&) = delete;

    // Begins making the files at paths, in their order (ending what an
    // earlier Start made first). Only paths where nothing stands, each
    // announced to the journal already: a run cut short takes back such a
    // file while it is empty. False when no thread could be started.
    bool Start(const Container::CArray<CSmallString>& paths);
    // The file made at path, open for writing only and shared with nobody,
    // now the caller's; INVALID_HANDLE_VALUE when path isn't one still
    // ahead or it could not be made (the caller then makes it as usual
    // and meets the reason itself).
    HANDLE Take(const CSmallString& path);
    // Waits for the thread; the files it made that were not taken are
    // closed and removed: empty, and never the installation's.
    void Stop();

private:
    struct SSlot
    {
        unsigned uPath = 0; // offset in m_arrPaths
        HANDLE hFile = INVALID_HANDLE_VALUE;
        volatile LONG lDone = 0;
    };
    static DWORD WINAPI Run(void* self);
    const char* PathOf(const SSlot& slot) const { return m_arrPaths.GetData() + slot.uPath; }

    // The paths' text copied whole: the thread reads nothing the writer may change.
    Container::CArray<char> m_arrPaths;
    Container::CArray<SSlot> m_arrSlots;
    unsigned m_uNext = 0; // the first slot not yet taken
    HANDLE m_hThread = nullptr;
    volatile LONG m_lStop = 0;
};
