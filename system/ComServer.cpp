#include "ComServer.h"

#include <windows.h>

#include "Architecture.h"
#include "SmallString.h"
#include "SystemPaths.h"
#include "win32/ComHandles.h"
#include "win32/Handles.h"

namespace {

bool CallExport(const char* dll, const char* name)
{
    const CLibrary module(dll);
    if (!module.IsLoaded())
        return false;
    // As regsvr32 does: a server may create COM objects while it registers.
    const CComInit com;
    typedef HRESULT(STDAPICALLTYPE * RegisterFn)();
    if (RegisterFn fn = module.Find<RegisterFn>(name))
        fn(); // the server's own result is not ours to judge
    return true;
}

// A 64-bit DLL can't be loaded by this 32-bit program: the system's 64-bit
// regsvr32 calls the export. Its codes 1-3 say it could not load the DLL;
// 4 (no export) counts as done and 5 is the server's own result.
bool RunNativeRegsvr32(const char* dll, bool unregister)
{
    const CSmallString program = ToNativeSystemPath(ExpandEnvironment("%SystemRoot%\\system32\\regsvr32.exe"));
    CSmallString line;
    line.Format("\"%s\" /s%s \"%s\"", program.GetText(), unregister ? " /u" : "", dll);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(program, line.GetBuffer(line.GetLength()), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &started))
        return false;
    const CAutoHandle process(started.hProcess), thread(started.hThread);
    DWORD code = 1;
    if (WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.Get(), &code))
        return false;
    return code == 0 || code > 3;
}

} // namespace

bool RegisterCOMDLL(const char* dll)
{
    return IsApplication64Bit() ? RunNativeRegsvr32(dll, false) : CallExport(dll, "DllRegisterServer");
}

bool UnregisterCOMDLL(const char* dll)
{
    return IsApplication64Bit() ? RunNativeRegsvr32(dll, true) : CallExport(dll, "DllUnregisterServer");
}
