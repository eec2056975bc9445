#include "Folders.h"

#include <windows.h>

#include <cstring>

#include "SmallString.h"

namespace {
// Empties and removes folder (no trailing backslash); false when anything
// stayed behind, though everything else is still removed.
bool DeleteTree(const CSmallString& folder)
{
    bool bOk = true;
    WIN32_FIND_DATAA fd;
    const HANDLE hFind = FindFirstFileA(folder + "\\*", &fd);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(fd.cFileName, ".") == 0 || strcmp(fd.cFileName, "..") == 0)
                continue;
            const CSmallString strChild = folder + "\\" + fd.cFileName;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                SetFileAttributesA(strChild, FILE_ATTRIBUTE_NORMAL);
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                bOk &= DeleteFileA(strChild) != FALSE;
            else if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                bOk &= RemoveDirectoryA(strChild) != FALSE; // the link, never what it points at
            else
                bOk &= DeleteTree(strChild);
        } while (FindNextFileA(hFind, &fd));
        FindClose(hFind);
    }
    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(folder, FILE_ATTRIBUTE_NORMAL);
    return RemoveDirectoryA(folder) && bOk;
}
} // namespace

bool DeleteDirectory(const char* path)
{
    if (IsProtectedFolder(path))
        return false;

    CSmallString strFolder;
    const DWORD size = GetFullPathNameA(path, 0, nullptr, nullptr);
    char* p = strFolder.GetBuffer((int)size);
    const DWORD got = size ? GetFullPathNameA(path, size, p, nullptr) : 0;
    int length = 0;
    if (got && got < size) {
        // Drop trailing separators, walking by characters for double-byte
        // names.
        for (const char* q = p; *q; q = CharNextA(q))
            if (*q != '\\' && *q != '/')
                length = (int)(CharNextA(q) - p);
    }
    strFolder.ReleaseBuffer(length);
    if (strFolder.IsEmpty())
        return false;

    const DWORD attributes = GetFileAttributesA(strFolder);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return RemoveDirectoryA(strFolder) != FALSE;
    return DeleteTree(strFolder);
}
