#include "Folders.h"

#include <windows.h>

#include <cstring>

#include "WinPath.h"
#include "win32/Handles.h"

namespace {

bool IsDots(const char* name) { return strcmp(name, ".") == 0 || strcmp(name, "..") == 0; }

// Empties and removes folder without recursion: files go as they are met,
// folders once everything below them is gone (deepest first).
void DeleteTree(const CSmallString& folder, const CSmallString& keep, Container::CArray<CSmallString>& leftovers)
{
    Container::CArray<CSmallString> folders; // in the order found: parents first
    folders.Add(folder);
    for (unsigned next = 0; next < folders.GetSize(); next++) {
        const CSmallString current = folders[next];
        WIN32_FIND_DATAA fd;
        CFindHandle find;
        for (bool found = find.First(current + "\\*", fd); found; found = find.Next(fd)) {
            if (IsDots(fd.cFileName))
                continue;
            const CSmallString child = current + "\\" + fd.cFileName;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                SetFileAttributesA(child, FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                // Never followed, and never removed either: no call removes
                // a link alike everywhere (Wine removes what it leads to).
                leftovers.Add(child);
            } else if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                folders.Add(child);
            } else if (!keep.IsEmpty() && lstrcmpiA(child, keep) == 0) {
                continue; // a running program's own file: removed once it has ended
            } else if (!DeleteFileName(child)) {
                leftovers.Add(child);
            }
        }
    }
    for (unsigned i = folders.GetSize(); i-- > 0;) {
        const DWORD attributes = GetFileAttributesA(folders[i]);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesA(folders[i], FILE_ATTRIBUTE_NORMAL);
        if (RemoveDirectoryA(folders[i]))
            continue;
        // The folders that hold the kept file can't go yet: that is expected.
        const bool holdsKept = !keep.IsEmpty() && WinPath::IsSameOrInside(keep, folders[i]);
        if (!holdsKept)
            leftovers.Add(folders[i]);
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
