#include <windows.h>

#include "CommandLine.h"
#include "WinPath.h"
#include "Exceptions.h"
#include "SetupLog.h"
#include "Startup.h"
#include "win32/Handles.h"

CSmallString GetUninstallLogPath(const char* programPath)
{
    char folder[520];
    lstrcpynA(folder, programPath, sizeof(folder));
    // The folder keeps its separator: no second backslash is needed.
    WinPath::RemoveFilename(folder, folder);
    return CSmallString(folder) + "uninstall.dat";
}

CSmallString DefaultSetupLogPath(const char* appName, const char* kind)
{
    char temp[MAX_PATH + 1] = {0};
    GetTempPathA(MAX_PATH, temp);
    CSmallString name = appName && *appName ? appName : "kxsetup";
    // Whatever a file name can't hold becomes '_'.
    for (int i = 0; i < name.GetLength(); i++)
        if ((unsigned char)name.GetAt(i) < 0x20 || strchr("\\/:*?\"<>|", name.GetAt(i)))
            name.SetAt(i, '_');
    return CSmallString(temp) + name + "-" + kind + ".log";
}

int CommitSuicide(const char* logPath, const SCommandLine& line)
{
    char temp[MAX_PATH + 1] = {0};
    GetTempPathA(MAX_PATH, temp);
    const CSmallString copy = CSmallString(temp) + "kx-uninstaller-temp.exe";

    char self[MAX_PATH + 1] = {0};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (!CopyFileA(self, copy, FALSE)) {
        LogLine("Could not copy the uninstaller to %s: %s", copy.GetText(), GetLastErrorString().GetText());
        return -1;
    }

    // The system removes the copy once this handle is closed and the copy's
    // process has ended, so nothing is left in the temporary folder.
    CAutoHandle deleteOnClose(CreateFileA(copy, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));

    // The copy reports its result through a pipe and then waits for this
    // process to end, to remove this file and its folder.
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    CAutoHandle resultRead, resultWrite, parent;
    if (!CreatePipe(resultRead.Receive(), resultWrite.Receive(), &inherit, 0) ||
        !SetHandleInformation(resultRead, HANDLE_FLAG_INHERIT, 0) ||
        !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), parent.Receive(), SYNCHRONIZE,
                         TRUE, 0)) {
        LogLine("Could not prepare the uninstaller: %s", GetLastErrorString().GetText());
        return -1;
    }

    // Quoted: a temporary folder with a blank in it would otherwise split
    // the program's path and the copy would start with the wrong argument.
    CSmallString commandLine;
    commandLine.Format("\"%s\"%s /RESULTPIPE=%lu /PARENT=%lu \"/KEEP=%s\"", copy.GetText(), line.bSilent ? " /S" : "",
                       (unsigned long)(ULONG_PTR)resultWrite.Get(), (unsigned long)(ULONG_PTR)parent.Get(), self);
    if (!line.strLog.IsEmpty())
        commandLine += CSmallString(" \"/LOG=") + line.strLog + "\"";
    commandLine += CSmallString(" \"") + logPath + "\"";

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    // The copy named by its path: without it, the command line's first word
    // would be looked for along the search path.
    if (!CreateProcessA(copy, commandLine.GetBuffer(commandLine.GetLength()), nullptr, nullptr, TRUE,
                        NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process)) {
        commandLine.ReleaseBuffer();
        LogLine("Could not start %s: %s", copy.GetText(), GetLastErrorString().GetText());
        return -1;
    }
    commandLine.ReleaseBuffer();
    CAutoHandle thread(process.hThread), child(process.hProcess);
    // Only the copy may hold the pipe's write end now: its end, or its
    // result, ends the read below.
    resultWrite.Close();
    parent.Close();
    deleteOnClose.Close();

    DWORD result = 3, got = 0;
    if (!ReadFile(resultRead, &result, sizeof(result), &got, nullptr) || got != sizeof(result))
        result = 3; // the copy ended without a word: a crash, or it was killed
    return (int)result;
}
