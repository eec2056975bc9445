#include "Folders.h"

#include <windows.h>

#include <cstring>

#include "win32/Handles.h"
#include "WinPath.h"

namespace {

typedef DWORD(WINAPI* GetFinalPathFn)(HANDLE, LPSTR, DWORD, DWORD);

} // namespace

CSmallString GetFinalPath(const char* existing)
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
        const CSmallString final = GetFinalPath(existing);
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

CSmallString ResolveAllButLast(const char* path)
{
    const CSmallString normalised = WinPath::Normalise(path, path ? lstrlenA(path) : 0);
    const int root = normalised.IsEmpty() ? 0 : WinPath::RootLength(normalised);
    if (normalised.GetLength() <= root)
        return CSmallString();
    const char* slash = strrchr(normalised.GetText() + root, '\\');
    const int cut = slash ? (int)(slash - normalised.GetText()) : root;
    const CSmallString parent = ResolvePath(normalised.Mid(0, cut > root ? cut : root));
    if (parent.IsEmpty())
        return parent;
    CSmallString result = parent;
    WinPath::EndWithBackslash(result);
    return result + normalised.Mid(slash ? cut + 1 : root, normalised.GetLength());
}

bool IsLink(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return true;
    // A link without the attribute (Wine's links to files): opened, it is
    // named where it leads, not where it is.
    const CSmallString final = GetFinalPath(path);
    // A name that leads to itself is no link, nor reached through one: the
    // usual answer, without resolving the folders above it again.
    if (final.IsEmpty() || lstrcmpiA(final, WinPath::Normalise(path, lstrlenA(path))) == 0 ||
        lstrcmpiA(final, ResolveAllButLast(path)) == 0)
        return false;
    CSmallString longName;
    const DWORD size = GetLongPathNameA(path, nullptr, 0);
    if (size) {
        const DWORD got = GetLongPathNameA(path, longName.GetBuffer((int)size), size);
        longName.ReleaseBuffer(got && got < size ? (int)got : 0);
    }
    return longName.IsEmpty() || lstrcmpiA(final, ResolveAllButLast(longName)) != 0;
}

bool DeleteFileName(const char* path)
{
    if (IsLink(path)) {
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return false;
    }
    if (!DeleteFileA(path))
        return false;
    // Wine deletes at the last close and says nothing when that fails (an
    // immutable file): what is still there was not deleted.
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

bool IsReachedThroughLink(const char* path)
{
    const CSmallString normalised = WinPath::Normalise(path, path ? lstrlenA(path) : 0);
    if (normalised.IsEmpty())
        return false;
    const int root = WinPath::RootLength(normalised);
    int existing = 0; // the end of the longest part that exists
    for (int at = root; at <= normalised.GetLength(); at++) {
        if (at < normalised.GetLength() && normalised.GetAt(at) != '\\')
            continue;
        const CSmallString part = normalised.Mid(0, at);
        const DWORD attributes = GetFileAttributesA(part);
        if (attributes == INVALID_FILE_ATTRIBUTES)
            break;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return true;
        existing = at;
    }
    if (existing <= root)
        return false;
    // Links without the attribute (another drive mapping, a mount point):
    // the system's name for the part that exists differs from its long name.
    const CSmallString part = normalised.Mid(0, existing);
    CSmallString longName;
    const DWORD size = GetLongPathNameA(part, nullptr, 0);
    if (size) {
        const DWORD got = GetLongPathNameA(part, longName.GetBuffer((int)size), size);
        longName.ReleaseBuffer(got && got < size ? (int)got : 0);
    }
    const CSmallString final = GetFinalPath(part);
    return !final.IsEmpty() && !longName.IsEmpty() && lstrcmpiA(final, WinPath::Normalise(longName)) != 0;
}

CSmallString GetLongSpelling(const char* path)
{
    const CSmallString normalised = WinPath::Normalise(path, path ? lstrlenA(path) : 0);
    if (normalised.IsEmpty())
        return normalised;
    const int root = WinPath::RootLength(normalised);
    for (int cut = normalised.GetLength(); cut > root;) {
        const CSmallString existing = normalised.Mid(0, cut);
        const DWORD size = GetLongPathNameA(existing, nullptr, 0);
        if (size) {
            CSmallString longName;
            const DWORD got = GetLongPathNameA(existing, longName.GetBuffer((int)size), size);
            longName.ReleaseBuffer(got && got < size ? (int)got : 0);
            if (!longName.IsEmpty())
                return WinPath::Normalise(longName + normalised.Mid(cut, normalised.GetLength()));
        }
        while (cut > root && normalised.GetAt(cut - 1) != '\\')
            cut--;
        if (cut > root)
            cut--; // before the separator
    }
    return normalised;
}

