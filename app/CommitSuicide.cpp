#include <windows.h>

#include "EngineHelpers.h"
#include "Startup.h"

CSmallString GetUninstallLogPath(const char* programPath)
{
    char folder[520];
    lstrcpynA(folder, programPath, sizeof(folder));
    // The folder keeps its separator: no second backslash is needed.
    RemoveFilename(folder, folder);
    return CSmallString(folder) + "uninstall.dat";
}

int CommitSuicide(const char* arguments)
{
    char temp[MAX_PATH + 1] = {0};
    GetTempPathA(MAX_PATH, temp);
    const CSmallString copy = CSmallString(temp) + "kx-uninstaller-temp.exe";

    char self[MAX_PATH + 1] = {0};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    CopyFileA(self, copy, FALSE);

    // The system removes the copy once this handle is closed and the copy's
    // process has ended, so nothing is left in the temporary folder.
    const HANDLE hCopy = CreateFileA(copy, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_DELETE_ON_CLOSE, nullptr);

    // Quoted: a temporary folder with a blank in it would otherwise split
    // the program's path and the copy would start with the wrong argument.
    CSmallString commandLine = CSmallString("\"") + copy + "\" " + arguments;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    if (CreateProcessA(nullptr, commandLine.GetBuffer(commandLine.GetLength()), nullptr, nullptr, FALSE,
                       NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    commandLine.ReleaseBuffer();

    Sleep(100);
    if (hCopy != INVALID_HANDLE_VALUE)
        CloseHandle(hCopy);
    return 0;
}
