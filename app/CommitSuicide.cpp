#include <windows.h>

#include "CommandText.h"
#include "CommandLine.h"
#include "CopyFolder.h"
#include "WinPath.h"
#include "Exceptions.h"
#include "Security.h"
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

namespace {

// The result the copy writes into the pipe, or 3 once the copy has ended
// without one (a crash, or it was killed). Not the pipe's end alone: a
// program the copy started may hold its write end long after the copy
// has gone.
int WaitForResult(HANDLE pipe, HANDLE copy)
{
    for (;;) {
        DWORD available = 0;
        // Fails once every write end is closed and nothing is left to read
        // (Wine's fails as soon as they are closed, even with the result
        // still waiting: a read tells).
        const bool open = PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) != FALSE;
        // Polled often: the time from the copy's result to this program's
        // end is part of every uninstall the user waits for.
        const bool ended = !open || WaitForSingleObject(copy, 5) == WAIT_OBJECT_0;
        if (open && ended) // what it wrote just before it ended
            PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr);
        // A read never waits: there is a result, or no writer is left (a
        // program the copy started may still hold the pipe open).
        DWORD result = 0, got = 0;
        if ((available >= sizeof(result) || !open) && ReadFile(pipe, &result, sizeof(result), &got, nullptr) &&
            got == sizeof(result))
            return (int)result;
        if (ended)
            return 3; // gone without a word: killed, or a crash
    }
}

} // namespace

int CommitSuicide(const char* logPath, const SCommandLine& line)
{
    char self[MAX_PATH + 1] = {0};
    GetModuleFileNameA(nullptr, self, MAX_PATH);

    RemoveStaleCopyFolders(GetPrivateFolderBase());
    // Held until the copy has reported: until then no one else can change
    // or remove the file that runs. Once closed, the file goes when the
    // copy ends.
    CAutoHandle held;
    CSmallString why;
    const CSmallString copy = MakeUninstallerCopy(self, held, why);
    if (copy.IsEmpty()) {
        LogLine("Could not copy the uninstaller: %s", why.GetText());
        return -1;
    }
    char folder[MAX_PATH + 1];
    lstrcpynA(folder, copy, sizeof(folder));
    WinPath::RemoveFilename(folder, folder);

    // The copy reports its result through a pipe and then waits for this
    // process to end, to remove this file and its folder.
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    CAutoHandle resultRead, resultWrite, parent;
    if (!CreatePipe(resultRead.Receive(), resultWrite.Receive(), &inherit, 0) ||
        !SetHandleInformation(resultRead, HANDLE_FLAG_INHERIT, 0) ||
        !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), parent.Receive(), SYNCHRONIZE,
                         TRUE, 0)) {
        LogLine("Could not prepare the uninstaller: %s", GetLastErrorString().GetText());
        held.Close();
        RemoveDirectoryA(folder);
        return -1;
    }

    // Every path quoted to be read back whole. The copy works in its own
    // folder: a /LOG= relative to this one's is made full first.
    CSmallString commandLine = QuoteCommandProgram(copy) + (line.bSilent ? " /S" : "");
    if (line.bCloseApplications)
        commandLine += " /CLOSEAPPLICATIONS";
    if (line.bRebootOk)
        commandLine += " /REBOOTOK";
    if (line.bNoRestart)
        commandLine += " /NORESTART";
    if (!line.strLanguage.IsEmpty())
        commandLine += " /LANG=" + line.strLanguage;
    commandLine.Addf(" /RESULTPIPE=%lu /PARENT=%lu ", (unsigned long)(ULONG_PTR)resultWrite.Get(),
                     (unsigned long)(ULONG_PTR)parent.Get());
    commandLine += QuoteCommandArgument(CSmallString("/KEEP=") + self);
    if (!line.strLog.IsEmpty()) {
        char full[1024] = {0};
        const DWORD n = GetFullPathNameA(line.strLog, sizeof(full), full, nullptr);
        commandLine +=
            " " + QuoteCommandArgument(CSmallString("/LOG=") + (n && n < sizeof(full) ? full : line.strLog.GetText()));
    }
    commandLine += " " + QuoteCommandArgument(logPath);

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    // The copy named by its path: without it, the command line's first word
    // would be looked for along the search path.
    if (!CreateProcessA(copy, commandLine.GetBuffer(commandLine.GetLength()), nullptr, nullptr, TRUE,
                        NORMAL_PRIORITY_CLASS, nullptr, folder, &startup, &process)) {
        commandLine.ReleaseBuffer();
        LogLine("Could not start %s: %s", copy.GetText(), GetLastErrorString().GetText());
        held.Close();
        RemoveDirectoryA(folder);
        return -1;
    }
    commandLine.ReleaseBuffer();
    CAutoHandle thread(process.hThread), child(process.hProcess);
    resultWrite.Close();
    parent.Close();
    const int result = WaitForResult(resultRead, child);
    // Gone without its last act (killed, or a crash): its file goes as
    // this handle closes, and its folder with it.
    if (WaitForSingleObject(child, 0) == WAIT_OBJECT_0) {
        held.Close();
        for (int attempt = 0; attempt < 20 && !RemoveDirectoryA(folder); attempt++)
            Sleep(50);
    }
    return result;
}
