// The programs that hold files in a folder (an installation about to be
// replaced or removed), by the names users know them by, and a way to ask
// them to close and to start them again afterwards.
#pragma once

#include "Containers.h"
#include "RestartManager.h"
#include "SmallString.h"

// Looks with the Restart Manager first (Vista and later). Where it is
// missing or names no one (Wine 8 stubs it: a session, no processes), a
// process snapshot names the programs whose own file lies in the folder,
// and each file there is opened for writing without sharing: one that
// fails with a sharing violation is held, whether or not its holder can
// be named. Programs are asked to close, never ended by force.
class CRunningPrograms
{
public:
    CRunningPrograms();
    ~CRunningPrograms();
    CRunningPrograms(const CRunningPrograms&) = delete;
    CRunningPrograms& operator=(const CRunningPrograms&) = delete;

    // A process never named nor closed: this one is, always; the
    // uninstaller's launcher, which waits for it, is added.
    void Exclude(unsigned long processId);

    // Looks (again) at what holds files in folder; true when anything does.
    bool Find(const char* folder);
    const Container::CArray<SRunningProgram>& GetPrograms() const { return m_arrPrograms; }
    // Files in use that none of the programs is known to hold.
    const Container::CArray<CSmallString>& GetHeldFiles() const { return m_arrHeldFiles; }
    // "the Restart Manager" or "a process snapshot": how Find named them.
    const char* GetMethod() const;
    // Only the first kMaxFiles files of a larger folder are looked at.
    bool WasCut() const { return m_bCut; }

    // Asks each program Find named to close and waits a few seconds for
    // them to end; true when all have. Those that ended are remembered.
    bool Close();
    const Container::CArray<SRunningProgram>& GetClosed() const { return m_arrClosed; }
    // Starts again what Close closed (after a successful installation):
    // the Restart Manager restarts what registered with it, the rest is
    // started by its program file. The number started.
    unsigned Restart();
    // What Restart could not start, and why: a line each.
    const Container::CArray<CSmallString>& GetNotRestarted() const { return m_arrNotRestarted; }

    enum
    {
        kMaxFiles = 2048,
    };

private:
    bool FindWithRestartManager(const Container::CArray<CSmallString>& files);
    void FindWithSnapshot(const char* folder, const Container::CArray<CSmallString>& files);
    bool IsExcluded(unsigned long processId) const;
    bool IsListed(unsigned long processId) const;

    CRestartManager m_restartManager;
    bool m_bRestartManagerNamed = false;  // the last Find's answer came from it
    bool m_bExcludedListed = false;       // ... and it listed an excluded process
    bool m_bRestartManagerClosed = false; // RmShutdown did the closing: RmRestart may restart
    bool m_bCut = false;
    Container::CArray<unsigned long> m_arrExcluded;
    Container::CArray<SRunningProgram> m_arrPrograms;
    Container::CArray<CSmallString> m_arrHeldFiles;
    Container::CArray<SRunningProgram> m_arrClosed;
    Container::CArray<CSmallString> m_arrNotRestarted;
};
