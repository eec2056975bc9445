#include "CommonControls.h"

#include "DllSearch.h"

namespace {

// Loaded on first use and kept until the process ends: its windows live
// as long as the program's.
class CCommonControls
{
public:
    CCommonControls()
    {
        const CSmallString path = SystemDllPath("comctl32.dll");
        m_hModule = path.IsEmpty() ? nullptr : LoadLibraryA(path);
        m_dwError = m_hModule ? ERROR_SUCCESS : path.IsEmpty() ? ERROR_PATH_NOT_FOUND : GetLastError();
    }
    ~CCommonControls()
    {
        if (m_hModule)
            FreeLibrary(m_hModule);
    }
    CCommonControls(const CCommonControls&) = delete;
    CCommonControls& operator=(const CCommonControls&) = delete;

    // The export cast to the function type asked for; null, with the last
    // error set, when it isn't there.
    template <class T> T Find(const char* name) const
    {
        if (!m_hModule) {
            SetLastError(m_dwError);
            return nullptr;
        }
        return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m_hModule, name)));
    }

private:
    HMODULE m_hModule;
    DWORD m_dwError;
};

const CCommonControls& CommonControls()
{
    static const CCommonControls s_library;
    return s_library;
}

} // namespace

bool InitialiseCommonControls()
{
    typedef void(WINAPI * InitCommonControlsFn)();
    const InitCommonControlsFn init = CommonControls().Find<InitCommonControlsFn>("InitCommonControls");
    if (init)
        init();
    return init != nullptr;
}

INT_PTR ShowPropertySheet(LPCPROPSHEETHEADERA header)
{
    typedef INT_PTR(WINAPI * PropertySheetFn)(LPCPROPSHEETHEADERA);
    const PropertySheetFn show = CommonControls().Find<PropertySheetFn>("PropertySheetA");
    return show ? show(header) : -1;
}
