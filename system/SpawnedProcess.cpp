#include "SpawnedProcess.h"

#include "Exceptions.h"

CSpawnedProcess::CSpawnedProcess() {}

CSpawnedProcess::~CSpawnedProcess() {}

void CSpawnedProcess::Create(const char* application, const char* folder, const char* commandLine, int showCommand)
{
    m_readPipe.Close();
    m_process.Close();

    SECURITY_ATTRIBUTES sa = {};
    sa.nLength = sizeof(sa);
    sa.bInheritHandle = TRUE;

    CAutoHandle read, write;
    if (!CreatePipe(read.Receive(), write.Receive(), &sa, 0))
        throw new CLastErrorException(CBaseException::OpenFailed, (int)GetLastError());
    // Only the write end goes to the child: were the read end inherited too,
    // the pipe would never report the child's end.
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);

    // The child gets an empty input so that nothing waits on our console.
    CAutoHandle input(
        CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr));

    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    si.wShowWindow = (WORD)showCommand;
    si.hStdInput = input.IsValid() ? input.Get() : GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = write;
    si.hStdError = write;

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
    write.Close();
    input.Close();
    if (!bStarted)
        throw new CLastErrorException(CBaseException::OpenFailed, (int)error);
    CAutoHandle thread(pi.hThread);
    m_process.Reset(pi.hProcess);
    m_job.Reset(CreateJobObjectA(nullptr, nullptr));
    if (m_job.IsValid() && !AssignProcessToJobObject(m_job, pi.hProcess))
        m_job.Close(); // already in a job that allows none: Terminate ends the child alone
    ResumeThread(thread);
    m_readPipe.Reset(read.Detach());
}

bool CSpawnedProcess::Read(CSmallString& chunk)
{
    if (!m_readPipe.IsValid())
        return false;
    // Bounded so that a child that never stops writing still lets the
    // caller look at what has arrived.
    const int limit = chunk.GetLength() + 1024 * 1024;
    bool bRead = false;
    while (chunk.GetLength() < limit) {
        DWORD available = 0;
        // Fails with ERROR_BROKEN_PIPE once the child has ended and the
        // pipe is drained.
        if (!PeekNamedPipe(m_readPipe, nullptr, 0, nullptr, &available, nullptr) || available == 0)
            return bRead;
        const int oldLength = chunk.GetLength();
        char* p = chunk.GetBuffer(oldLength + (int)available);
        DWORD got = 0;
        const BOOL bOk = ReadFile(m_readPipe, p + oldLength, available, &got, nullptr);
        chunk.ReleaseBuffer(oldLength + (int)got);
        if (!bOk || got == 0)
            return bRead;
        bRead = true;
    }
    return bRead;
}

void CSpawnedProcess::Terminate()
{
    if (m_job.IsValid())
        TerminateJobObject(m_job, ERROR_CANCELLED);
    if (m_process.IsValid()) {
        TerminateProcess(m_process, ERROR_CANCELLED);
        WaitForSingleObject(m_process, 5000);
    }
}

bool CSpawnedProcess::IsFinished()
{
    return !m_process.IsValid() || WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0;
}

DWORD CSpawnedProcess::GetExitCode()
{
    DWORD code = STILL_ACTIVE;
    if (!m_process.IsValid() || !GetExitCodeProcess(m_process, &code))
        return (DWORD)-1;
    return code;
}
