#include "RunElevated.h"

#include <shellapi.h>

#include "win32/Handles.h"

bool RunSelfElevated(HWND owner, const char* arguments, DWORD& exitCode, DWORD& error)
{
    char self[MAX_PATH * 2] = "";
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof(self));
    if (!length || length >= sizeof(self)) {
        error = GetLastError();
        return false;
    }
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    info.hwnd = owner;
    info.lpVerb = "runas";
    info.lpFile = self;
    info.lpParameters = arguments;
    info.nShow = SW_SHOWNORMAL;
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
