#include "RestartManager.h"

#include <windows.h>
#include <restartmanager.h>

#include "DllSearch.h"
#include "win32/Handles.h"

namespace {

// Loaded on first use by its full path and kept until the process ends.
class CRestartManagerDll
{
public:
    CRestartManagerDll()
    {
        const CSmallString path = SystemFolderDll("rstrtmgr.dll");
        if (path.IsEmpty() || !m_library.Load(path))
            return;
        Find(m_pfnStart, "RmStartSession");
        Find(m_pfnEnd, "RmEndSession");
        Find(m_pfnRegister, "RmRegisterResources");
        Find(m_pfnGetList, "RmGetList");
        Find(m_pfnShutdown, "RmShutdown");
        Find(m_pfnRestart, "RmRestart");
    }

    // ERROR_SUCCESS when the DLL and every function are there.
    DWORD GetState() const
    {
        if (!m_library.IsLoaded())
            return ERROR_MOD_NOT_FOUND;
        return m_pfnStart && m_pfnEnd && m_pfnRegister && m_pfnGetList && m_pfnShutdown && m_pfnRestart
                   ? ERROR_SUCCESS
                   : ERROR_PROC_NOT_FOUND;
    }

    decltype(&RmStartSession) m_pfnStart = nullptr;
    decltype(&RmEndSession) m_pfnEnd = nullptr;
    decltype(&RmRegisterResources) m_pfnRegister = nullptr;
    decltype(&RmGetList) m_pfnGetList = nullptr;
    decltype(&RmShutdown) m_pfnShutdown = nullptr;
    decltype(&RmRestart) m_pfnRestart = nullptr;

private:
    template <class T> void Find(T& function, const char* name) { function = m_library.Find<T>(name); }

    CLibrary m_library;
};

const CRestartManagerDll& Dll()
{
    static const CRestartManagerDll s_dll;
    return s_dll;
}

Container::CArray<wchar_t> Wide(const CSmallString& text)
{
    Container::CArray<wchar_t> wide;
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return wide;
    wide.SetSize((unsigned)n);
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide.GetData(), n) <= 0)
        wide.RemoveAll();
    return wide;
}

} // namespace

// The DLL is loaded before a session object is complete, so that it goes
// only after every session has ended: statics (the wizard keeps one) are
// destroyed in the reverse order of their construction.
CRestartManager::CRestartManager()
{
    Dll();
}

unsigned long CRestartManager::Register(const Container::CArray<CSmallString>& files)
{
    if (m_bRegistered)
        return ERROR_SUCCESS;
    const DWORD state = Dll().GetState();
    if (state != ERROR_SUCCESS)
        return state;
    if (!m_bStarted) {
        WCHAR key[CCH_RM_SESSION_KEY + 1] = {0};
        const DWORD started = Dll().m_pfnStart(&m_ulSession, 0, key);
        if (started != ERROR_SUCCESS)
            return started;
        m_bStarted = true;
    }
    Container::CArray<Container::CArray<wchar_t>> names;
    Container::CArray<LPCWSTR> pointers;
    for (unsigned i = 0; i < files.GetSize(); i++) {
        names.Add(Wide(files[i]));
        if (names[names.GetSize() - 1].IsEmpty())
            names.RemoveAt(names.GetSize() - 1);
    }
    for (unsigned i = 0; i < names.GetSize(); i++)
        pointers.Add(names[i].GetData());
    const DWORD registered =
        Dll().m_pfnRegister(m_ulSession, pointers.GetSize(), pointers.GetData(), 0, nullptr, 0, nullptr);
    m_bRegistered = registered == ERROR_SUCCESS;
    return registered;
}

unsigned long CRestartManager::GetList(Container::CArray<SRunningProgram>& programs)
{
    programs.RemoveAll();
    if (!m_bRegistered)
        return ERROR_INVALID_HANDLE;
    Container::CArray<RM_PROCESS_INFO> info;
    UINT needed = 0, count = 0;
    DWORD reasons = 0, listed;
    // The list may grow between the two calls: ask until it fits.
    for (int attempt = 0; attempt < 5; attempt++) {
        count = info.GetSize();
        listed = Dll().m_pfnGetList(m_ulSession, &needed, &count, info.GetData(), &reasons);
        if (listed != ERROR_MORE_DATA)
            break;
        info.SetSize(needed + 4);
    }
    if (listed != ERROR_SUCCESS)
        return listed;
    for (UINT i = 0; i < count && i < info.GetSize(); i++) {
        SRunningProgram program;
        program.ulProcessId = info[i].Process.dwProcessId;
        program.strName = CSmallString(info[i].strAppName);
        if (program.strName.IsEmpty())
            program.strName = CSmallString(info[i].strServiceShortName);
        program.bRestartable = info[i].bRestartable != FALSE;
        programs.Add(program);
    }
    return ERROR_SUCCESS;
}

unsigned long CRestartManager::Shutdown()
{
    if (!m_bRegistered)
        return ERROR_INVALID_HANDLE;
    return Dll().m_pfnShutdown(m_ulSession, 0, nullptr);
}

unsigned long CRestartManager::Restart()
{
    if (!m_bRegistered)
        return ERROR_INVALID_HANDLE;
    return Dll().m_pfnRestart(m_ulSession, 0, nullptr);
}

void CRestartManager::End()
{
    if (m_bStarted)
        Dll().m_pfnEnd(m_ulSession);
    m_bStarted = false;
    m_bRegistered = false;
}
