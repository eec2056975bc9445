#include "HeldFiles.h"

#include <windows.h>

#include "win32/Handles.h"

namespace {

bool IsLinkEntry(const WIN32_FIND_DATAA& data)
{
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsDots(const char* name)
{
    return name[0] == '.' && (!name[1] || (name[1] == '.' && !name[2]));
}

} // namespace

void ListFilesIn(const char* folder, unsigned max, Container::CArray<CSmallString>& files, bool& cut)
{
    files.RemoveAll();
    cut = false;
    // Folder by folder, breadth first: a huge sub-folder deep down leaves
    // the files near the top listed.
    Container::CArray<CSmallString> folders;
    CSmallString top(folder);
    if (!top.IsEmpty() && top.GetAt(top.GetLength() - 1) != '\\')
        top += '\\';
    folders.Add(top);
    for (unsigned next = 0; next < folders.GetSize(); next++) {
        const CSmallString current = folders[next];
        WIN32_FIND_DATAA data;
        CFindHandle find;
        for (bool more = find.First(current + "*", data); more; more = find.Next(data)) {
            if (IsDots(data.cFileName) || IsLinkEntry(data))
                continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                folders.Add(current + data.cFileName + "\\");
                continue;
            }
            if (files.GetSize() >= max) {
                cut = true;
                return;
            }
            files.Add(current + data.cFileName);
        }
    }
}

bool IsFileHeld(const char* path)
{
    // Not followed, should it have become a link since it was listed.
    CAutoHandle file(
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file.IsValid())
        return false;
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}
