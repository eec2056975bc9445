#include "ProgramName.h"

#include <windows.h>

#include "Containers.h"
#include "DllSearch.h"
#include "win32/Handles.h"

namespace {

typedef DWORD(WINAPI* GetFileVersionInfoSizeFn)(LPCWSTR, LPDWORD);
typedef BOOL(WINAPI* GetFileVersionInfoFn)(LPCWSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* VerQueryValueFn)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

CSmallString FileName(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; p++)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    return name;
}

CSmallString Description(const char* path)
{
    // version.dll is no KnownDLL: by its path in the system folder.
    const CSmallString dll = SystemFolderDll("version.dll");
    if (dll.IsEmpty())
        return CSmallString();
    const CLibrary version(dll);
    const auto getSize = version.Find<GetFileVersionInfoSizeFn>("GetFileVersionInfoSizeW");
    const auto getInfo = version.Find<GetFileVersionInfoFn>("GetFileVersionInfoW");
    const auto query = version.Find<VerQueryValueFn>("VerQueryValueW");
    if (!getSize || !getInfo || !query)
        return CSmallString();
    wchar_t wide[1024] = {0};
    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, 1024))
        return CSmallString();
    DWORD ignored = 0;
    const DWORD size = getSize(wide, &ignored);
    if (!size)
        return CSmallString();
    Container::CArray<unsigned char> block;
    block.SetSize(size);
    if (!getInfo(wide, 0, size, block.GetData()))
        return CSmallString();
    // The first language the resource lists; U.S. English in Unicode else.
    struct STranslation
    {
        WORD wLanguage, wCodePage;
    };
    STranslation* translations = nullptr;
    UINT length = 0;
    wchar_t key[64];
    if (query(block.GetData(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &length) &&
        length >= sizeof(STranslation))
        wsprintfW(key, L"\\StringFileInfo\\%04x%04x\\FileDescription", translations[0].wLanguage,
                  translations[0].wCodePage);
    else
        lstrcpyW(key, L"\\StringFileInfo\\040904b0\\FileDescription");
    wchar_t* text = nullptr;
    if (!query(block.GetData(), key, reinterpret_cast<void**>(&text), &length) || !text || length <= 1)
        return CSmallString();
    CSmallString description(text, (int)lstrlenW(text));
    description.TrimBoth();
    return description;
}

} // namespace

CSmallString GetProgramName(const char* path)
{
    if (!path || !*path)
        return CSmallString();
    const CSmallString description = Description(path);
    return description.IsEmpty() ? FileName(path) : description;
}
