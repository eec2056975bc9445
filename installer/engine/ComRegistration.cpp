// Self-registration of COM servers.
#include "EngineHelpers.h"

static bool CallExport(const char* dll, const char* name)
{
    HMODULE module = LoadLibraryA(dll);
    if (!module)
        return false;
    typedef HRESULT(STDAPICALLTYPE * RegisterFn)();
    if (RegisterFn fn = reinterpret_cast<RegisterFn>(reinterpret_cast<void*>(GetProcAddress(module, name))))
        fn(); // the server's own result is not ours to judge
    FreeLibrary(module);
    return true;
}

bool RegisterCOMDLL(const char* dll) { return CallExport(dll, "DllRegisterServer"); }
bool UnregisterCOMDLL(const char* dll) { return CallExport(dll, "DllUnregisterServer"); }
