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

namespace {

struct SHeldCheck
{
    const Container::CArray<CSmallString>* pFiles;
    Container::CArray<bool>* pHeld;
};

// Every other file, from the second.
DWORD WINAPI CheckOddFiles(void* parameter)
{
    const SHeldCheck& check = *static_cast<SHeldCheck*>(parameter);
    for (unsigned i = 1; i < check.pFiles->GetSize(); i += 2)
        (*check.pHeld)[i] = IsFileHeld((*check.pFiles)[i]);
    return 0;
}

} // namespace

void CheckFilesHeld(const Container::CArray<CSmallString>& files, Container::CArray<bool>& held)
{
    held.SetSize(files.GetSize());
    SHeldCheck check = {&files, &held};
    // A thread's start is worth it only over many files.
    HANDLE thread = files.GetSize() >= 64 ? CreateThread(nullptr, 64 * 1024, CheckOddFiles, &check,
                                                         STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)
                                          : nullptr;
    for (unsigned i = 0; i < files.GetSize(); i += thread ? 2 : 1)
        held[i] = IsFileHeld(files[i]);
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}
