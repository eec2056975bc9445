#include "CommonControls.h"

#include "DllSearch.h"
#include "win32/Handles.h"

namespace {

// Loaded on first use and kept until the process ends: its windows live
// as long as the program's.
class CCommonControls
{
public:
    CCommonControls()
    {
        const CSmallString path = SystemDllPath("comctl32.dll");
        m_dwError = path.IsEmpty() ? ERROR_PATH_NOT_FOUND : m_library.Load(path) ? ERROR_SUCCESS : GetLastError();
    }

    // The export cast to the function type asked for; null, with the last
    // error set, when it isn't there.
    template <class T> T Find(const char* name) const
    {
        if (!m_library.IsLoaded()) {
            SetLastError(m_dwError);
            return nullptr;
        }
        return m_library.Find<T>(name);
    }

private:
    CLibrary m_library;
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
    PreloadWindowDlls();
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
