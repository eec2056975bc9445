#include "Processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include "WinPath.h"
#include "win32/Handles.h"

#ifndef PROCESS_QUERY_LIMITED_INFORMATION
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#endif

namespace {

typedef BOOL(WINAPI* QueryFullProcessImageNameFn)(HANDLE, DWORD, LPSTR, PDWORD);

// Looked up, not imported: Windows XP has no such function.
QueryFullProcessImageNameFn FindQueryImageName()
{
    static const QueryFullProcessImageNameFn s_pfnQuery = reinterpret_cast<QueryFullProcessImageNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA")));
    return s_pfnQuery;
}

// The limited right reaches elevated and protected processes too; XP
// knows only the full one.
HANDLE OpenToQuery(unsigned long processId, DWORD extra)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | extra, FALSE, processId);
    if (!process)
        process = OpenProcess(PROCESS_QUERY_INFORMATION | extra, FALSE, processId);
    return process;
}

struct SWindowSearch
{
    DWORD dwProcessId;
    unsigned uAsked;
};

BOOL CALLBACK AskToClose(HWND window, LPARAM parameter)
{
    SWindowSearch* search = reinterpret_cast<SWindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    // Hidden windows (an input method's, a message sink) and owned ones
    // (dialogs) don't stand for the program; its main window does.
    if (owner != search->dwProcessId || !IsWindowVisible(window) || GetWindow(window, GW_OWNER))
        return TRUE;
    if (PostMessageA(window, WM_CLOSE, 0, 0))
        search->uAsked++;
    return TRUE;
}

} // namespace

bool ListProcesses(Container::CArray<SProcess>& processes)
{
    processes.RemoveAll();
    CAutoHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid())
        return false;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        // The idle process and the system are no one's program.
        if (entry.th32ProcessID == 0 || entry.th32ProcessID == 4)
            continue;
        SProcess process;
        process.ulId = entry.th32ProcessID;
        process.strImage = GetProcessImage(entry.th32ProcessID);
        processes.Add(process);
    }
    return true;
}

unsigned long GetMsSinceProcessStart()
{
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long from = (unsigned long long)created.dwHighDateTime << 32 | created.dwLowDateTime;
    const unsigned long long to = (unsigned long long)now.dwHighDateTime << 32 | now.dwLowDateTime;
    return to > from ? (unsigned long)((to - from) / 10000) : 0;
}

unsigned long GetParentProcessId()
{
    CAutoHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid())
        return 0;
    const DWORD self = GetCurrentProcessId();
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == self)
            return entry.th32ParentProcessID;
    return 0;
}

CSmallString GetProcessImage(unsigned long processId)
{
    if (const QueryFullProcessImageNameFn query = FindQueryImageName()) {
        CAutoHandle process(OpenToQuery(processId, 0));
        char path[1024] = {0};
        DWORD size = sizeof(path);
        if (process.IsValid() && query(process, 0, path, &size) && size)
            return CSmallString(path, (int)size);
    }
    Container::CArray<CSmallString> modules;
    return ListProcessModules(processId, modules) && !modules.IsEmpty() ? modules[0] : CSmallString();
}

bool ListProcessModules(unsigned long processId, Container::CArray<CSmallString>& modules)
{
    modules.RemoveAll();
    CAutoHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, processId));
    if (!snapshot.IsValid())
        return false;
    MODULEENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry))
        modules.Add(entry.szExePath);
    return true;
}

unsigned AskWindowsToClose(unsigned long processId)
{
    SWindowSearch search = {processId, 0};
    EnumWindows(AskToClose, reinterpret_cast<LPARAM>(&search));
    return search.uAsked;
}

void WaitForProcesses(const Container::CArray<unsigned long>& processIds, unsigned long timeoutMs,
                      Container::CArray<bool>& ended)
{
    ended.RemoveAll();
    const DWORD start = GetTickCount();
    for (unsigned i = 0; i < processIds.GetSize(); i++) {
        CAutoHandle process(OpenProcess(SYNCHRONIZE, FALSE, processIds[i]));
        if (!process.IsValid()) {
            ended.Add(GetLastError() == ERROR_INVALID_PARAMETER);
            continue;
        }
        const DWORD spent = GetTickCount() - start;
        ended.Add(WaitForSingleObject(process, spent < timeoutMs ? timeoutMs - spent : 0) == WAIT_OBJECT_0);
    }
}

bool StartProgram(const char* path)
{
    char folder[1024] = {0};
    lstrcpynA(folder, path, sizeof(folder));
    WinPath::RemoveFilename(folder, folder);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    // Named by its path, so that nothing is searched for; CreateProcessA
    // may write into the command line. A path holds no quotes.
    CSmallString commandLine = CSmallString("\"") + path + "\"";
    const BOOL started = CreateProcessA(path, commandLine.GetBuffer(commandLine.GetLength()), nullptr, nullptr, FALSE,
                                        0, nullptr, folder, &startup, &process);
    commandLine.ReleaseBuffer();
    if (!started)
        return false;
    CAutoHandle thread(process.hThread), child(process.hProcess);
    return true;
}
