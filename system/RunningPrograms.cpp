#include "RunningPrograms.h"

#include <windows.h>

#include "Folders.h"
#include "HeldFiles.h"
#include "Processes.h"
#include "ProgramName.h"
#include "WinPath.h"

namespace {

// Long enough for a program to save its settings and end; a program that
// asks the user first stays, and is named again.
const unsigned long kWaitForCloseMs = 10000;

bool IsSamePath(const CSmallString& a, const CSmallString& b)
{
    return !a.IsEmpty() && !b.IsEmpty() && WinPath::IsSameOrInside(a, b) && WinPath::IsSameOrInside(b, a);
}

// The folder in the spelling it was given and in the system's own: paths
// the system hands back (program files, modules) may use either.
class CFolderSpellings
{
public:
    explicit CFolderSpellings(const char* folder)
        : m_strGiven(WinPath::Normalise(folder)), m_strResolved(ResolvePath(folder))
    {
    }
    bool Holds(const CSmallString& path) const
    {
        if (path.IsEmpty())
            return false;
        const CSmallString normalised = WinPath::Normalise(path);
        return (!m_strGiven.IsEmpty() && WinPath::IsSameOrInside(normalised, m_strGiven)) ||
               (!m_strResolved.IsEmpty() && WinPath::IsSameOrInside(normalised, m_strResolved));
    }

private:
    CSmallString m_strGiven, m_strResolved;
};

// The held files and their resolved spellings side by side; a file goes
// once a process is known to hold it.
struct SHeldFiles
{
    Container::CArray<CSmallString> arrPaths, arrResolved;

    void Add(const CSmallString& path)
    {
        arrPaths.Add(path);
        arrResolved.Add(ResolvePath(path));
    }
    void Drop(const CSmallString& heldBy)
    {
        const CSmallString resolved = ResolvePath(heldBy);
        for (unsigned i = arrPaths.GetSize(); i-- > 0;)
            if (IsSamePath(arrResolved[i], resolved)) {
                arrPaths.RemoveAt(i);
                arrResolved.RemoveAt(i);
            }
    }
};

} // namespace

CRunningPrograms::CRunningPrograms()
{
    m_arrExcluded.Add(GetCurrentProcessId());
}

CRunningPrograms::~CRunningPrograms() {}

void CRunningPrograms::Exclude(unsigned long processId)
{
    if (processId && !IsExcluded(processId))
        m_arrExcluded.Add(processId);
}

bool CRunningPrograms::IsExcluded(unsigned long processId) const
{
    for (unsigned i = 0; i < m_arrExcluded.GetSize(); i++)
        if (m_arrExcluded[i] == processId)
            return true;
    return false;
}

bool CRunningPrograms::IsListed(unsigned long processId) const
{
    for (unsigned i = 0; i < m_arrPrograms.GetSize(); i++)
        if (m_arrPrograms[i].ulProcessId == processId)
            return true;
    return false;
}

const char* CRunningPrograms::GetMethod() const
{
    return m_bRestartManagerNamed ? "the Restart Manager" : "a process snapshot";
}

bool CRunningPrograms::Find(const char* folder)
{
    m_arrPrograms.RemoveAll();
    m_arrHeldFiles.RemoveAll();
    m_bRestartManagerNamed = false;
    m_bExcludedListed = false;
    Container::CArray<CSmallString> files;
    ListFilesIn(folder, kMaxFiles, files, m_bCut);
    if (FindWithRestartManager(files)) {
        m_bRestartManagerNamed = true;
        return true;
    }
    FindWithSnapshot(folder, files);
    return !m_arrPrograms.IsEmpty() || !m_arrHeldFiles.IsEmpty();
}

bool CRunningPrograms::FindWithRestartManager(const Container::CArray<CSmallString>& files)
{
    Container::CArray<SRunningProgram> listed;
    if (files.IsEmpty() || m_restartManager.Register(files) != ERROR_SUCCESS ||
        m_restartManager.GetList(listed) != ERROR_SUCCESS)
        return false;
    for (unsigned i = 0; i < listed.GetSize(); i++) {
        SRunningProgram& program = listed[i];
        if (IsExcluded(program.ulProcessId)) {
            m_bExcludedListed = true;
            continue;
        }
        program.strPath = GetProcessImage(program.ulProcessId);
        if (program.strName.IsEmpty())
            program.strName = GetProgramName(program.strPath);
        m_arrPrograms.Add(program);
    }
    return !m_arrPrograms.IsEmpty();
}

void CRunningPrograms::FindWithSnapshot(const char* folder, const Container::CArray<CSmallString>& files)
{
    const CFolderSpellings spellings(folder);
    SHeldFiles held;
    Container::CArray<bool> isHeld;
    CheckFilesHeld(files, isHeld);
    for (unsigned i = 0; i < files.GetSize(); i++)
        if (isHeld[i])
            held.Add(files[i]);

    // A program that runs from the folder holds its own file; excluded
    // ones are neither named nor blamed for what they hold.
    Container::CArray<SProcess> processes;
    ListProcesses(processes);
    for (unsigned i = 0; i < processes.GetSize(); i++) {
        const SProcess& process = processes[i];
        if (!spellings.Holds(process.strImage))
            continue;
        held.Drop(process.strImage);
        if (IsExcluded(process.ulId))
            continue;
        SRunningProgram program;
        program.ulProcessId = process.ulId;
        program.strPath = process.strImage;
        program.strName = GetProgramName(process.strImage);
        m_arrPrograms.Add(program);
    }

    // A DLL of the folder, loaded by one of those or by another program:
    // the modules of each 32-bit process tell (a 64-bit one's can't be
    // listed from here; what it holds stays a held file without a holder).
    for (unsigned i = 0; i < processes.GetSize() && !held.arrPaths.IsEmpty(); i++) {
        const SProcess& process = processes[i];
        Container::CArray<CSmallString> modules;
        if (!ListProcessModules(process.ulId, modules))
            continue;
        bool holds = false;
        for (unsigned m = 0; m < modules.GetSize(); m++)
            if (spellings.Holds(modules[m])) {
                held.Drop(modules[m]);
                holds = true;
            }
        if (!holds || IsExcluded(process.ulId) || IsListed(process.ulId))
            continue;
        SRunningProgram program;
        program.ulProcessId = process.ulId;
        program.strPath = process.strImage;
        program.strName = GetProgramName(process.strImage);
        if (program.strName.IsEmpty())
            program.strName.Format("process %lu", process.ulId);
        m_arrPrograms.Add(program);
    }
    m_arrHeldFiles = held.arrPaths;
}

bool CRunningPrograms::Close()
{
    if (m_arrPrograms.IsEmpty())
        return true;
    Container::CArray<unsigned long> ids;
    for (unsigned i = 0; i < m_arrPrograms.GetSize(); i++)
        ids.Add(m_arrPrograms[i].ulProcessId);
    // The Restart Manager closes everything it listed: not when that
    // includes a process that must stay (the uninstaller's launcher).
    if (m_bRestartManagerNamed && !m_bExcludedListed) {
        m_restartManager.Shutdown();
        m_bRestartManagerClosed = true;
    } else {
        for (unsigned i = 0; i < ids.GetSize(); i++)
            AskWindowsToClose(ids[i]);
    }
    Container::CArray<bool> ended;
    WaitForProcesses(ids, kWaitForCloseMs, ended);
    bool all = true;
    for (unsigned i = 0; i < m_arrPrograms.GetSize(); i++) {
        if (i >= ended.GetSize() || !ended[i]) {
            all = false;
            continue;
        }
        bool known = false;
        for (unsigned c = 0; c < m_arrClosed.GetSize(); c++)
            known = known || m_arrClosed[c].ulProcessId == m_arrPrograms[i].ulProcessId;
        if (!known)
            m_arrClosed.Add(m_arrPrograms[i]);
    }
    return all;
}

unsigned CRunningPrograms::Restart()
{
    m_arrNotRestarted.RemoveAll();
    unsigned started = 0;
    const bool restartManager = m_bRestartManagerClosed && m_restartManager.Restart() == ERROR_SUCCESS;
    for (unsigned i = 0; i < m_arrClosed.GetSize(); i++) {
        const SRunningProgram& program = m_arrClosed[i];
        if (restartManager && program.bRestartable) {
            started++;
            continue;
        }
        if (program.strPath.IsEmpty() || !DoesFileExist(program.strPath)) {
            m_arrNotRestarted.Add(program.strName + ": its program file is not known or not there");
            continue;
        }
        if (StartProgram(program.strPath)) {
            started++;
            continue;
        }
        CSmallString why;
        why.Format("%s: error %lu starting %s", program.strName.GetText(), (unsigned long)GetLastError(),
                   program.strPath.GetText());
        m_arrNotRestarted.Add(why);
    }
    m_arrClosed.RemoveAll();
    return started;
}
