#include "DestinationSpace.h"

#include "Containers.h"
#include "WinPath.h"
#include "win32/Handles.h"

CSmallString FormatByteSize(unsigned long long bytes)
{
    static const char* const s_pszUnits[] = {"KB", "MB", "GB", "TB"};
    CSmallString text;
    if (bytes < 1024) {
        text.Format("%u bytes", (unsigned)bytes);
        return text;
    }
    // Tenths of the unit, rounded down as Explorer does.
    unsigned unit = 0;
    unsigned long long scaled = bytes * 10 / 1024;
    while (scaled >= 10240 && unit + 1 < sizeof(s_pszUnits) / sizeof(s_pszUnits[0])) {
        scaled /= 1024;
        unit++;
    }
    text.Format("%u.%u %s", (unsigned)(scaled / 10), (unsigned)(scaled % 10), s_pszUnits[unit]);
    return text;
}

bool GetFolderFreeSpace(const CSmallString& folder, unsigned long long& bytes)
{
    CSmallString path = WinPath::Normalise(folder);
    const int root = WinPath::RootLength(path);
    if (root <= 0)
        return false;
    // The nearest part of the path that exists: the folder may be made yet.
    while (path.GetLength() > root && GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        const int slash = path.FindReverse(CSmallString("\\"));
        path = path.Mid(0, slash < root ? root : slash);
    }
    WinPath::EndWithBackslash(path);
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExA(path, &available, nullptr, nullptr))
        return false;
    bytes = available.QuadPart;
    return true;
}

namespace {

// Only the empty folder the probe made: never through a link put in its place.
void RemoveMadeFolder(const CSmallString& folder)
{
    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        RemoveDirectoryA(folder);
}

} // namespace

bool TryWriting(const CSmallString& folder, CSmallString& failedPath, DWORD& error)
{
    const CSmallString path = WinPath::Normalise(folder);
    const int root = WinPath::RootLength(path);
    Container::CArray<CSmallString> made;
    bool ok = true;
    // Each missing folder from the top down, remembered to be taken back.
    for (int i = root; ok && i <= path.GetLength(); i++) {
        if (i < path.GetLength() && path.GetAt(i) != '\\')
            continue;
        const CSmallString part = path.Mid(0, i);
        if (GetFileAttributesA(part) != INVALID_FILE_ATTRIBUTES)
            continue;
        if (CreateDirectoryA(part, nullptr)) {
            made.Add(part);
        } else {
            ok = false;
            error = GetLastError();
            failedPath = part;
        }
    }
    if (ok) {
        CSmallString probe;
        probe.Format("%s\\kxsetup-%lu.tmp", path.GetText(), GetCurrentProcessId());
        // A new name that goes as soon as it is closed.
        CAutoHandle file(CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (!file.IsValid()) {
            ok = false;
            error = GetLastError();
            failedPath = probe;
        }
    }
    for (unsigned i = made.GetSize(); i-- > 0;)
        RemoveMadeFolder(made[i]);
    return ok;
}
