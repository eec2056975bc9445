#include "FilesAhead.h"

#include <cstring>

#include "Folders.h"

bool CFilesAhead::Start(const Container::CArray<CSmallString>& paths)
{
    Stop();
    m_arrPaths.RemoveAll();
    m_arrSlots.RemoveAll();
    m_uNext = 0;
    m_lStop = 0;
    unsigned length = 0;
    for (unsigned i = 0; i < paths.GetSize(); i++)
        length += (unsigned)paths[i].GetLength() + 1;
    m_arrPaths.SetSize(length);
    m_arrSlots.SetSize(paths.GetSize());
    unsigned at = 0;
    for (unsigned i = 0; i < paths.GetSize(); i++) {
        memcpy(m_arrPaths.GetData() + at, paths[i].GetText(), (size_t)paths[i].GetLength() + 1);
        m_arrSlots[i] = SSlot();
        m_arrSlots[i].uPath = at;
        at += (unsigned)paths[i].GetLength() + 1;
    }
    // Nothing is written to these arrays again until Stop has waited.
    m_hThread = CreateThread(nullptr, 64 * 1024, Run, this, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!m_hThread) {
        m_arrSlots.RemoveAll();
        return false;
    }
    return true;
}

DWORD WINAPI CFilesAhead::Run(void* self)
{
    CFilesAhead& ahead = *static_cast<CFilesAhead*>(self);
    for (unsigned i = 0; i < ahead.m_arrSlots.GetSize(); i++) {
        SSlot& slot = ahead.m_arrSlots[i];
        if (!InterlockedCompareExchange(&ahead.m_lStop, 0, 0))
            slot.hFile = CreateFileA(ahead.PathOf(slot), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                     nullptr);
        InterlockedExchange(&slot.lDone, 1);
    }
    return 0;
}

HANDLE CFilesAhead::Take(const CSmallString& path)
{
    // The next one, unless one was passed over (Stop removes it).
    unsigned i = m_uNext;
    while (i < m_arrSlots.GetSize() && strcmp(PathOf(m_arrSlots[i]), path) != 0)
        i++;
    if (i == m_arrSlots.GetSize())
        return INVALID_HANDLE_VALUE;
    m_uNext = i + 1;
    SSlot& slot = m_arrSlots[i];
    // Usually made already; else a matter of one file's making.
    while (!InterlockedCompareExchange(&slot.lDone, 0, 0))
        SwitchToThread();
    const HANDLE file = slot.hFile;
    slot.hFile = INVALID_HANDLE_VALUE;
    return file;
}

void CFilesAhead::Stop()
{
    if (!m_hThread)
        return;
    InterlockedExchange(&m_lStop, 1);
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    m_hThread = nullptr;
    for (unsigned i = 0; i < m_arrSlots.GetSize(); i++) {
        SSlot& slot = m_arrSlots[i];
        if (slot.hFile == INVALID_HANDLE_VALUE)
            continue;
        CloseHandle(slot.hFile);
        slot.hFile = INVALID_HANDLE_VALUE;
        DeleteFileName(PathOf(slot));
    }
}
