#include "InstalledPrograms.h"

#include <windows.h>

#include "Folders.h"
#include "Registry.h"
#include "WinPath.h"
#include "win32/Handles.h"

namespace {

const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void AddLocations(HKEY root, REGSAM view, const CSmallString& ours, Container::CArray<CSmallString>& folders)
{
    CRegKey uninstall;
    if (uninstall.Open(root, kUninstall, KEY_READ | view) != ERROR_SUCCESS)
        return;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(uninstall, i, name, sizeof(name)) == ERROR_SUCCESS; i++) {
        CRegKey entry;
        if (entry.Open(uninstall, name, KEY_QUERY_VALUE | view) != ERROR_SUCCESS)
            continue;
        CSmallString location = ReadRegistryText(entry, nullptr, "InstallLocation");
        location.Remove('"');
        location.TrimBoth();
        const CSmallString resolved = location.IsEmpty() ? location : ResolvePath(location);
        if (resolved.IsEmpty() || IsProtectedFolder(resolved))
            continue;
        if (!ours.IsEmpty() && WinPath::IsSameOrInside(resolved, ours) && WinPath::IsSameOrInside(ours, resolved))
            continue;
        folders.Add(resolved);
    }
}

} // namespace

Container::CArray<CSmallString> GetOtherProgramsFolders(const CSmallString& ours)
{
    Container::CArray<CSmallString> folders;
    AddLocations(HKEY_LOCAL_MACHINE, 0, ours, folders);
    AddLocations(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, ours, folders);
    AddLocations(HKEY_CURRENT_USER, 0, ours, folders);
    return folders;
}
