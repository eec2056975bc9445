#include "Folders.h"

#include <windows.h>

#include "win32/Handles.h"
#include "WinPath.h"

namespace {

typedef DWORD(WINAPI* GetFinalPathFn)(HANDLE, LPSTR, DWORD, DWORD);

// The system's own spelling of an existing file or folder: the drive it is
// really on (a Wine Z:\...\drive_c path becomes C:\), long names, links
// followed. Empty when it can't be opened.
CSmallString FinalPath(const CSmallString& existing)
{
    CAutoHandle file(CreateFileA(existing, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.IsValid())
        return CSmallString();
    // Since Vista; older systems get the long-name spelling below.
    static const GetFinalPathFn s_pfnFinal = reinterpret_cast<GetFinalPathFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
    CSmallString result;
    if (s_pfnFinal) {
        // Wine's answers no size query with a null buffer: offer room first.
        DWORD size = MAX_PATH * 2;
        for (int attempt = 0; attempt < 2; attempt++) {
            const DWORD got = s_pfnFinal(file, result.GetBuffer((int)size), size, 0);
            result.ReleaseBuffer(got && got < size ? (int)got : 0);
            if (got < size)
                break;
            size = got + 1;
        }
    }
    if (result.IsEmpty()) {
        const DWORD size = GetLongPathNameA(existing, nullptr, 0);
        if (size) {
            const DWORD got = GetLongPathNameA(existing, result.GetBuffer((int)size), size);
            result.ReleaseBuffer(got && got < size ? (int)got : 0);
        }
    }
    return WinPath::Normalise(result);
}

} // namespace

CSmallString ResolvePath(const char* path)
{
    CSmallString normalised = WinPath::Normalise(path, path ? lstrlenA(path) : 0);
    if (normalised.IsEmpty())
        return normalised;
    // Resolve the longest part that exists; names below it can't be links
    // or short names yet.
    const int root = WinPath::RootLength(normalised);
    int cut = normalised.GetLength();
    for (;;) {
        const CSmallString existing = normalised.Mid(0, cut);
        const CSmallString final = FinalPath(existing);
        if (!final.IsEmpty())
            return WinPath::Normalise(final + normalised.Mid(cut, normalised.GetLength()));
        while (cut > root && normalised.GetAt(cut - 1) != '\\')
            cut--;
        if (cut <= root)
            return normalised;
        cut--; // before the separator
        if (cut < root)
            return normalised;
    }
}
