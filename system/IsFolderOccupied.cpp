#include "Folders.h"

#include "WinPath.h"
#include "win32/Handles.h"

bool IsFolderOccupied(const char* folder)
{
    // An empty name would search the current folder.
    if (!folder || !*folder)
        return false;
    CSmallString pattern(folder);
    WinPath::EndWithBackslash(pattern);
    pattern += "*.*";
    WIN32_FIND_DATAA entry;
    CFindHandle find;
    for (bool found = find.First(pattern, entry); found; found = find.Next(entry))
        if (lstrcmpA(entry.cFileName, ".") != 0 && lstrcmpA(entry.cFileName, "..") != 0)
            return true;
    // Not found, no more files, bad name, unreachable share... or any other
    // failure: nothing we could see would be overwritten.
    return false;
}
