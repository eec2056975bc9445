#include "RunElevated.h"

#include <shellapi.h>

#include "win32/ComHandles.h"
#include "win32/Handles.h"

bool ShellRunAndWait(HWND owner, const char* verb, const char* program, const char* arguments, int show,
                     DWORD& exitCode, DWORD& error)
{
    const CComInit com; // the shell may hand the program to an extension
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = verb;
    info.lpFile = program;
    info.lpParameters = arguments;
    info.nShow = show;
    if (!ShellExecuteExA(&info) || !info.hProcess) {
        error = GetLastError();
        return false;
    }
    const CAutoHandle process(info.hProcess);
    WaitForSingleObject(process, INFINITE);
    exitCode = 3;
    GetExitCodeProcess(process, &exitCode);
    return true;
}

bool RunSelfElevated(HWND owner, const char* arguments, DWORD& exitCode, DWORD& error)
{
    char self[MAX_PATH * 2] = "";
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof(self));
    if (!length || length >= sizeof(self)) {
        error = GetLastError();
        return false;
    }
    return ShellRunAndWait(owner, "runas", self, arguments, SW_SHOWNORMAL, exitCode, error);
}
