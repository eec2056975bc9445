// One run at a time: named mutexes, in the session's namespace and in the
// global one (another user's session, a deployment tool's), held until the
// holder goes.
#pragma once

#include "SmallString.h"
#include "win32/Handles.h"

class CRunLock
{
public:
    CRunLock() {}
    ~CRunLock();
    CRunLock(const CRunLock&) = delete;
    CRunLock& operator=(const CRunLock&) = delete;

    // Takes the lock named what (an application's name, a folder); false
    // when another process holds it. An empty name, or one this process
    // holds already, is taken at once.
    bool Take(const char* kind, const char* what);
    // Gives the lock up (for a process this one starts to take it); Take
    // with the same names takes it again.
    void Release();

private:
    CAutoHandle m_local, m_global;
    CSmallString m_strName; // taken here, by this holder
};
