#include "Folders.h"

#include <windows.h>

#include <cstring>

#include "WinPath.h"
#include "win32/Handles.h"

void (*g_pfnBeforeFolderCheck)(const char* folder, bool removing) = nullptr;

namespace {

bool IsDots(const char* name) { return strcmp(name, ".") == 0 || strcmp(name, "..") == 0; }

struct SListed
{
    CSmallString strPath;
    CSmallString strFinal; // the system's name for it when it was listed
    bool bListed;          // still the one listed when its turn came
};

// The folder is still the one listed, checked right before it is listed
// or removed: anyone who may write the tree may have swapped it (or a
// folder above it) for a link since. A folder, no link by its attribute,
// and named by the system as when it was listed (Wine shows some links
// only so). held, when given, keeps it open meanwhile, so that Windows
// lets no one rename it while it is listed.
bool IsUnchanged(const SListed& folder, bool removing, CAutoHandle* held)
{
    if (g_pfnBeforeFolderCheck)
        g_pfnBeforeFolderCheck(folder.strPath, removing);
    if (held)
        held->Reset(CreateFileA(folder.strPath, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const DWORD attributes = GetFileAttributesA(folder.strPath);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    return folder.strFinal.IsEmpty() || lstrcmpiA(GetFinalPath(folder.strPath), folder.strFinal) == 0;
}

// Empties and removes folder without recursion: files go as they are met,
// folders once everything below them is gone (deepest first).
void DeleteTree(const CSmallString& folder, const CSmallString& keep, Container::CArray<CSmallString>& leftovers)
{
    Container::CArray<SListed> folders; // in the order found: parents first
    folders.Add(SListed{folder, GetFinalPath(folder), false});
    for (unsigned next = 0; next < folders.GetSize(); next++) {
        const SListed current = folders[next];
        CAutoHandle held;
        folders[next].bListed = IsUnchanged(current, false, &held);
        if (!folders[next].bListed) {
            // Swapped for a link since it was listed: never followed.
            leftovers.Add(current.strPath);
            continue;
        }
        WIN32_FIND_DATAA fd;
        CFindHandle find;
        for (bool found = find.First(current.strPath + "\\*", fd); found; found = find.Next(fd)) {
            if (IsDots(fd.cFileName))
                continue;
            const CSmallString child = current.strPath + "\\" + fd.cFileName;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                SetFileAttributesA(child, FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                // Never followed, and never removed either: no call removes
                // a link alike everywhere (Wine removes what it leads to).
                leftovers.Add(child);
            } else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                const CSmallString named =
                    current.strFinal.IsEmpty() ? CSmallString() : current.strFinal + "\\" + fd.cFileName;
                folders.Add(SListed{child, named, false});
            } else if (!keep.IsEmpty() && lstrcmpiA(child, keep) == 0) {
                continue; // a running program's own file: removed once it has ended
            } else if (!DeleteFileName(child)) {
                leftovers.Add(child);
            }
        }
    }
    for (unsigned i = folders.GetSize(); i-- > 0;) {
        if (!folders[i].bListed)
            continue; // told already
        const CSmallString& path = folders[i].strPath;
        // RemoveDirectory on a link removes, under Wine, what it leads to.
        if (!IsUnchanged(folders[i], true, nullptr)) {
            leftovers.Add(path);
            continue;
        }
        const DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        if (RemoveDirectoryA(path))
            continue;
        // The folders that hold the kept file can't go yet: that is expected.
        const bool holdsKept = !keep.IsEmpty() && WinPath::IsSameOrInside(keep, path);
        if (!holdsKept)
            leftovers.Add(path);
    }
}

} // namespace

bool DeleteDirectory(const char* path) { return DeleteDirectory(path, nullptr, nullptr); }

bool DeleteDirectory(const char* path, const char* keepFile, Container::CArray<CSmallString>* leftovers)
{
    if (IsProtectedFolder(path))
        return false;
    const CSmallString folder = WinPath::Normalise(path, lstrlenA(path));
    if (folder.IsEmpty())
        return false;

    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (leftovers)
            leftovers->Add(folder);
        return false;
    }
    Container::CArray<CSmallString> left;
    DeleteTree(folder, keepFile ? WinPath::Normalise(keepFile, lstrlenA(keepFile)) : CSmallString(), left);
    if (leftovers)
        leftovers->Append(left.GetData(), left.GetSize());
    return left.IsEmpty();
}
