#include "SpawnedProcess.h"

#include "Exceptions.h"

namespace {
void CloseIfOpen(HANDLE& h)
{
    if (h && h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    h = nullptr;
}
} // namespace

CSpawnedProcess::CSpawnedProcess() : m_hProcess(nullptr), m_hReadPipe(nullptr), m_hJob(nullptr) {}

CSpawnedProcess::~CSpawnedProcess()
{
    CloseIfOpen(m_hReadPipe);
    CloseIfOpen(m_hProcess);
    CloseIfOpen(m_hJob);
}

void CSpawnedProcess::Create(const char* application, const char* folder, const char* commandLine, int showCommand)
{
    CloseIfOpen(m_hReadPipe);
    CloseIfOpen(m_hProcess);

    SECURITY_ATTRIBUTES sa = {};
    sa.nLength = sizeof(sa);
    sa.bInheritHandle = TRUE;

    HANDLE hRead = nullptr, hWrite = nullptr;
    if (!CreatePipe(&hRead, &hWrite, &sa, 0))
        throw new CLastErrorException(CBaseException::OpenFailed, (int)GetLastError());
    // Only the write end goes to the child: were the read end inherited too,
    // the pipe would never report the child's end.
    SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);

    // The child gets an empty input so that nothing waits on our console.
    HANDLE hInput =
        CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);

    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    si.wShowWindow = (WORD)showCommand;
    si.hStdInput = hInput != INVALID_HANDLE_VALUE ? hInput : GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = hWrite;
    si.hStdError = hWrite;

    // CreateProcessA may write into the command line.
    CSmallString strCommandLine(commandLine);
    char* pCommandLine = commandLine ? strCommandLine.GetBuffer(strCommandLine.GetLength()) : nullptr;

    PROCESS_INFORMATION pi = {};
    // Started suspended so that it is in the job before it can start others.
    const BOOL bStarted = CreateProcessA(application, pCommandLine, nullptr, nullptr, TRUE,
                                         CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, folder, &si, &pi);
    const DWORD error = GetLastError();

    // The parent must not keep a write end open, or the pipe stays alive
    // after the child has gone.
    CloseIfOpen(hWrite);
    CloseIfOpen(hInput);
    if (!bStarted) {
        CloseIfOpen(hRead);
        throw new CLastErrorException(CBaseException::OpenFailed, (int)error);
    }
    CloseIfOpen(m_hJob);
    m_hJob = CreateJobObjectA(nullptr, nullptr);
    if (m_hJob && !AssignProcessToJobObject(m_hJob, pi.hProcess))
        CloseIfOpen(m_hJob); // already in a job that allows none: Terminate ends the child alone
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    m_hProcess = pi.hProcess;
    m_hReadPipe = hRead;
}

bool CSpawnedProcess::Read(CSmallString& chunk)
{
    if (!m_hReadPipe)
        return false;
    // Bounded so that a child that never stops writing still lets the
    // caller look at what has arrived.
    const int limit = chunk.GetLength() + 1024 * 1024;
    bool bRead = false;
    while (chunk.GetLength() < limit) {
        DWORD available = 0;
        // Fails with ERROR_BROKEN_PIPE once the child has ended and the
        // pipe is drained.
        if (!PeekNamedPipe(m_hReadPipe, nullptr, 0, nullptr, &available, nullptr) || available == 0)
            return bRead;
        const int oldLength = chunk.GetLength();
        char* p = chunk.GetBuffer(oldLength + (int)available);
        DWORD got = 0;
        const BOOL bOk = ReadFile(m_hReadPipe, p + oldLength, available, &got, nullptr);
        chunk.ReleaseBuffer(oldLength + (int)got);
        if (!bOk || got == 0)
            return bRead;
        bRead = true;
    }
    return bRead;
}

void CSpawnedProcess::Terminate()
{
    if (m_hJob)
        TerminateJobObject(m_hJob, ERROR_CANCELLED);
    if (m_hProcess) {
        TerminateProcess(m_hProcess, ERROR_CANCELLED);
        WaitForSingleObject(m_hProcess, 5000);
    }
}

bool CSpawnedProcess::IsFinished()
{
    return !m_hProcess || WaitForSingleObject(m_hProcess, 0) == WAIT_OBJECT_0;
}

DWORD CSpawnedProcess::GetExitCode()
{
    DWORD code = STILL_ACTIVE;
    if (!m_hProcess || !GetExitCodeProcess(m_hProcess, &code))
        return (DWORD)-1;
    return code;
}
