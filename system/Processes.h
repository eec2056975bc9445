// Other processes as the system lists them, and the polite ways to reach
// them: their windows, never TerminateProcess.
#pragma once

#include "Containers.h"
#include "SmallString.h"

struct SProcess
{
    unsigned long ulId = 0;
    CSmallString strImage; // its program file; empty when it can't be told
};

// Every process of a snapshot (TH32CS_SNAPPROCESS), with its program file.
bool ListProcesses(Container::CArray<SProcess>& processes);

// How long this process has run, in milliseconds: from its creation, so
// the system's own start of the program counts too.
unsigned long GetMsSinceProcessStart();

// The process that started this one, as the snapshot says; 0 when it
// can't be told. Only as good as its parent is alive: ids are reused.
unsigned long GetParentProcessId();

// A process's program file: QueryFullProcessImageName (Vista and later,
// also for 64-bit processes seen from a 32-bit one), else the first module
// of a module snapshot (32-bit processes only). Empty when neither tells.
CSmallString GetProcessImage(unsigned long processId);

// The files of the modules a process has loaded; false when the system
// won't list them (a 64-bit process seen from a 32-bit one, one that has
// ended, one not ours to read).
bool ListProcessModules(unsigned long processId, Container::CArray<CSmallString>& modules);

// Posts WM_CLOSE to the process's visible top-level windows that no other
// window owns; the number of windows asked.
unsigned AskWindowsToClose(unsigned long processId);

// Waits up to timeoutMs for each process to end; the ones that ended (or
// that can no longer be opened: they are gone) are set in ended.
void WaitForProcesses(const Container::CArray<unsigned long>& processIds, unsigned long timeoutMs,
                      Container::CArray<bool>& ended);

// Starts a program by its full path in its own folder; false, with the
// system's error in GetLastError, when it can't be.
bool StartProgram(const char* path);
