#include "DllSearch.h"

#include <windows.h>

#include "win32/Handles.h"

namespace {

EDllSearch g_eDllSearch = EDllSearch::Unrestricted;

// Held until the process ends.
class CPreloadedDlls
{
public:
    CPreloadedDlls()
    {
        static const char* const s_names[kCount] = {"uxtheme.dll", "msimg32.dll", "version.dll"};
        for (unsigned i = 0; i < kCount; i++) {
            const CSmallString path = SystemFolderDll(s_names[i]);
            if (!path.IsEmpty())
                m_libraries[i].Load(path);
        }
    }

private:
    static const unsigned kCount = 3;
    CLibrary m_libraries[kCount];
};

EDllSearch Restrict()
{
    // Looked up, not imported: systems without them could not start the
    // program at all. kernel32 is always loaded, so nothing is searched for.
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryFn)(LPCSTR);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return EDllSearch::SystemFolder;
    const auto setDirectory =
        reinterpret_cast<SetDllDirectoryFn>(reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDllDirectoryA")));
    if (setDirectory && setDirectory(""))
        return EDllSearch::NoCurrentFolder;
    return EDllSearch::Unrestricted;
}

} // namespace

EDllSearch RestrictDllSearch()
{
    g_eDllSearch = Restrict();
    // Where the search is the system folder's alone, only windows still
    // load these by name along the original path (under Wine): they wait
    // for the first window, and a run without one (the launcher of an
    // uninstall, an unattended run) is spared visual styles' start, about
    // 25 ms under Wine.
    if (g_eDllSearch != EDllSearch::SystemFolder)
        PreloadWindowDlls();
    return g_eDllSearch;
}

void PreloadWindowDlls()
{
    static const CPreloadedDlls s_preloaded;
}

EDllSearch GetDllSearch() { return g_eDllSearch; }

CSmallString SystemFolderDll(const char* name)
{
    char folder[MAX_PATH + 1] = {0};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (!length || length >= MAX_PATH)
        return CSmallString();
    return CSmallString(folder) + "\\" + name;
}

CSmallString SystemDllPath(const char* name)
{
    return g_eDllSearch == EDllSearch::SystemFolder ? CSmallString(name) : SystemFolderDll(name);
}
