#include "Folders.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "Containers.h"
#include "win32/Handles.h"
#include "WinPath.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

void AddFolder(Container::CArray<CSmallString>& folders, const char* path)
{
    if (!path || !*path)
        return;
    const CSmallString resolved = ResolvePath(path);
    if (!resolved.IsEmpty())
        folders.Add(resolved);
}

void AddEnvironmentFolders(Container::CArray<CSmallString>& folders)
{
    static const char* const s_variables[] = {"USERPROFILE",  "ProgramFiles",       "ProgramFiles(x86)",
                                              "ProgramW6432", "CommonProgramFiles", "SystemRoot",
                                              "windir",       "ALLUSERSPROFILE",    "PUBLIC",
                                              "APPDATA",      "LOCALAPPDATA"};
    for (const char* name : s_variables) {
        char value[MAX_PATH * 2];
        const DWORD n = GetEnvironmentVariableA(name, value, sizeof(value));
        if (n && n < sizeof(value))
            AddFolder(folders, value);
    }
}

void AddShellFolders(Container::CArray<CSmallString>& folders)
{
    static const int s_csidls[] = {
        CSIDL_DESKTOPDIRECTORY,  CSIDL_PERSONAL,         CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS,
        CSIDL_PROFILE,           CSIDL_WINDOWS,          CSIDL_SYSTEM,                  CSIDL_SYSTEMX86,
        CSIDL_PROGRAM_FILES,     CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,    CSIDL_APPDATA,
        CSIDL_LOCAL_APPDATA,     CSIDL_COMMON_APPDATA,   CSIDL_STARTMENU,               CSIDL_COMMON_STARTMENU,
        CSIDL_PROGRAMS,          CSIDL_COMMON_PROGRAMS,  CSIDL_STARTUP,                 CSIDL_COMMON_STARTUP,
        CSIDL_FONTS,             CSIDL_MYMUSIC,          CSIDL_MYPICTURES,              CSIDL_MYVIDEO,
        CSIDL_FAVORITES,         CSIDL_SENDTO,           CSIDL_TEMPLATES,               CSIDL_COMMON_TEMPLATES,
    };
    for (int csidl : s_csidls) {
        char folder[MAX_PATH];
        if (SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)))
            AddFolder(folders, folder);
    }
}

void AddRegistryFolders(Container::CArray<CSmallString>& folders, REGSAM view)
{
    static const char* const s_names[] = {"ProgramFilesDir", "ProgramFilesDir (x86)", "CommonFilesDir",
                                          "CommonFilesDir (x86)"};
    CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", KEY_QUERY_VALUE | view) !=
        ERROR_SUCCESS)
        return;
    for (const char* name : s_names) {
        char value[MAX_PATH];
        DWORD size = sizeof(value) - 1, type = 0;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            continue;
        value[size] = 0;
        AddFolder(folders, value);
    }
}

void AddSystemFolders(Container::CArray<CSmallString>& folders)
{
    char folder[MAX_PATH];
    UINT n = GetWindowsDirectoryA(folder, sizeof(folder));
    if (n && n < sizeof(folder))
        AddFolder(folders, folder);
    n = GetSystemDirectoryA(folder, sizeof(folder));
    if (n && n < sizeof(folder))
        AddFolder(folders, folder);
    // The uninstaller itself runs from the temporary folder.
    const DWORD cch = GetTempPathA(sizeof(folder), folder);
    if (cch && cch < sizeof(folder))
        AddFolder(folders, folder);
}

// Resolved once: the folders don't move while the program runs.
const Container::CArray<CSmallString>& ProtectedFolders()
{
    static Container::CArray<CSmallString>* s_pFolders = nullptr;
    if (!s_pFolders) {
        s_pFolders = new Container::CArray<CSmallString>;
        AddShellFolders(*s_pFolders);
        AddEnvironmentFolders(*s_pFolders);
        AddSystemFolders(*s_pFolders);
        AddRegistryFolders(*s_pFolders, KEY_WOW64_32KEY);
        AddRegistryFolders(*s_pFolders, KEY_WOW64_64KEY);
    }
    return *s_pFolders;
}

bool IsAbsolute(const char* p)
{
    const bool bDrive = ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':';
    return (bDrive && IsSeparator(p[2])) || (IsSeparator(p[0]) && IsSeparator(p[1]));
}

} // namespace

bool IsProtectedFolder(const char* path)
{
    // Wildcards and device paths (\\?\, \\.\) never name a folder to delete.
    if (!path || !IsAbsolute(path) || strpbrk(path, "*?"))
        return true;
    if (path[2] == '.' && IsSeparator(path[3]))
        return true;
    const CSmallString resolved = ResolvePath(path);
    if (resolved.IsEmpty() || WinPath::RootLength(resolved) == resolved.GetLength())
        return true;
    const Container::CArray<CSmallString>& folders = ProtectedFolders();
    for (unsigned i = 0; i < folders.GetSize(); i++)
        if (WinPath::IsSameOrInside(folders[i], resolved))
            return true;
    return false;
}

bool IsInsideWindowsFolder(const char* path, bool resolved)
{
    // Resolved once, like the protected folders: an uninstall asks for every file.
    static Container::CArray<CSmallString>* s_pFolders = nullptr;
    if (!s_pFolders) {
        s_pFolders = new Container::CArray<CSmallString>;
        char folder[MAX_PATH];
        UINT n = GetWindowsDirectoryA(folder, sizeof(folder));
        if (n && n < sizeof(folder))
            AddFolder(*s_pFolders, folder);
        n = GetSystemDirectoryA(folder, sizeof(folder));
        if (n && n < sizeof(folder))
            AddFolder(*s_pFolders, folder);
    }
    const CSmallString full = resolved ? CSmallString(path) : ResolvePath(path);
    for (unsigned i = 0; i < s_pFolders->GetSize(); i++)
        if (WinPath::IsSameOrInside(full, (*s_pFolders)[i]))
            return true;
    return false;
}
