// A child process whose standard output and error come back through a pipe.
#pragma once

#include <windows.h>

#include "SmallString.h"
#include "win32/Handles.h"

class CSpawnedProcess
{
public:
    CSpawnedProcess();
    ~CSpawnedProcess();
    CSpawnedProcess(const CSpawnedProcess&) = delete;
    CSpawnedProcess& operator=(const CSpawnedProcess&) = delete;

    // Starts the program (CreateProcessA with application name and command
    // line as given; folder null = inherit) with standard output and error
    // on the pipe and an empty standard input. Throws CLastErrorException*.
    void Create(const char* application, const char* folder, const char* commandLine, int showCommand);
    // Appends what the child has written so far to chunk, without blocking;
    // false when nothing was waiting.
    bool Read(CSmallString& chunk);
    // True once the child has ended.
    bool IsFinished();
    // Ends the child and whatever it started (all in one job).
    void Terminate();
    // For waits; null when nothing was started.
    HANDLE GetProcessHandle() const { return m_process; }
    // The child's exit code (valid once finished; STILL_ACTIVE before,
    // (DWORD)-1 when nothing was started).
    DWORD GetExitCode();

private:
    CAutoHandle m_process;
    CAutoHandle m_readPipe;
    CAutoHandle m_job; // the child and whatever it starts
};
