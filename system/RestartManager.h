// One Restart Manager session (rstrtmgr.dll, Vista and later). The DLL is
// no KnownDLL: it is loaded by its full path in the system folder, and its
// functions are looked up, so that the program still starts where it is
// missing.
#pragma once

#include "Containers.h"
#include "SmallString.h"

struct SRunningProgram
{
    unsigned long ulProcessId = 0;
    CSmallString strName;      // its file description, else its file name
    CSmallString strPath;      // its program file; empty when it can't be told
    bool bRestartable = false; // the Restart Manager starts it again itself
};

class CRestartManager
{
public:
    CRestartManager();
    ~CRestartManager() { End(); }
    CRestartManager(const CRestartManager&) = delete;
    CRestartManager& operator=(const CRestartManager&) = delete;

    // Each answers ERROR_SUCCESS or the system's error code
    // (ERROR_MOD_NOT_FOUND, ERROR_PROC_NOT_FOUND without the DLL).

    // Starts the session and registers files: the first call only, a
    // session keeps what it was given.
    unsigned long Register(const Container::CArray<CSmallString>& files);
    bool IsRegistered() const { return m_bRegistered; }
    // The processes that hold the registered files now (strPath empty).
    unsigned long GetList(Container::CArray<SRunningProgram>& programs);
    // Asks them all to close: without RmForceShutdown nothing is ended by
    // force (an application that refuses stays, and this fails). Not
    // RmShutdownOnlyRegistered either, which would close nothing unless
    // every holder had registered for a restart.
    unsigned long Shutdown();
    // Starts again what Shutdown closed and had registered for a restart.
    unsigned long Restart();
    void End();

private:
    unsigned long m_ulSession = 0;
    bool m_bStarted = false;
    bool m_bRegistered = false;
};
