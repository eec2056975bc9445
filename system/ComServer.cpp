#include "ComServer.h"

#include <windows.h>

#include "win32/Handles.h"

static bool CallExport(const char* dll, const char* name)
{
    const CLibrary module(dll);
    if (!module.IsLoaded())
        return false;
    typedef HRESULT(STDAPICALLTYPE * RegisterFn)();
    if (RegisterFn fn = module.Find<RegisterFn>(name))
        fn(); // the server's own result is not ours to judge
    return true;
}

bool RegisterCOMDLL(const char* dll) { return CallExport(dll, "DllRegisterServer"); }
bool UnregisterCOMDLL(const char* dll) { return CallExport(dll, "DllUnregisterServer"); }
