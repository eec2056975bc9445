#include "Folders.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "SmallString.h"

namespace {
bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The absolute, long-name, upper-case form of path without a trailing
// backslash ("C:\" becomes "C:"); empty when it can't be formed.
CSmallString Normalise(const char* path)
{
    CSmallString strFull;
    DWORD size = GetFullPathNameA(path, 0, nullptr, nullptr);
    if (!size)
        return strFull;
    DWORD got = GetFullPathNameA(path, size, strFull.GetBuffer((int)size), nullptr);
    strFull.ReleaseBuffer(got && got < size ? (int)got : 0);
    if (strFull.IsEmpty())
        return strFull;

    // An 8.3 alias (C:\PROGRA~1) names the same folder.
    size = GetLongPathNameA(strFull, nullptr, 0);
    if (size) {
        CSmallString strLong;
        got = GetLongPathNameA(strFull, strLong.GetBuffer((int)size), size);
        strLong.ReleaseBuffer(got && got < size ? (int)got : 0);
        if (!strLong.IsEmpty())
            strFull = strLong;
    }

    strFull.Replace('/', '\\');
    char* p = strFull.GetBuffer(strFull.GetLength());
    CharUpperA(p);
    // Walk by characters: a backslash byte may be the second half of a
    // double-byte character.
    char* pEnd = p;
    for (char* q = p; *q; q = CharNextA(q))
        if (*q != '\\')
            pEnd = CharNextA(q);
    *pEnd = 0;
    strFull.ReleaseBuffer((int)(pEnd - p));
    return strFull;
}

// True when candidate (normalised) is folder or one of its ancestors.
bool Covers(const CSmallString& candidate, const char* folder)
{
    if (!folder || !*folder)
        return false;
    const CSmallString strFolder = Normalise(folder);
    const int n = candidate.GetLength();
    if (strFolder.GetLength() < n || memcmp(strFolder.GetText(), candidate.GetText(), (size_t)n) != 0)
        return false;
    return strFolder.GetLength() == n || strFolder.GetAt(n) == '\\';
}

bool CoversEnvironment(const CSmallString& candidate, const char* name)
{
    char value[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof(value));
    return n && n < sizeof(value) && Covers(candidate, value);
}

bool CoversShellFolder(const CSmallString& candidate, int csidl)
{
    char folder[MAX_PATH];
    return SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)) &&
           Covers(candidate, folder);
}

bool CoversRegistryFolders(const CSmallString& candidate, REGSAM view)
{
    static const char* const s_names[] = {"ProgramFilesDir", "ProgramFilesDir (x86)", "CommonFilesDir",
                                          "CommonFilesDir (x86)"};
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_QUERY_VALUE | view,
                      &hKey) != ERROR_SUCCESS)
        return false;
    bool bCovers = false;
    for (const char* name : s_names) {
        char value[MAX_PATH];
        DWORD size = sizeof(value) - 1, type = 0;
        if (RegQueryValueExA(hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            continue;
        value[size] = 0;
        if (Covers(candidate, value)) {
            bCovers = true;
            break;
        }
    }
    RegCloseKey(hKey);
    return bCovers;
}

bool CoversSystemFolder(const CSmallString& candidate)
{
    char folder[MAX_PATH];
    UINT n = GetWindowsDirectoryA(folder, sizeof(folder));
    if (n && n < sizeof(folder) && Covers(candidate, folder))
        return true;
    n = GetSystemDirectoryA(folder, sizeof(folder));
    if (n && n < sizeof(folder) && Covers(candidate, folder))
        return true;
    // The uninstaller itself runs from the temporary folder.
    const DWORD cch = GetTempPathA(sizeof(folder), folder);
    return cch && cch < sizeof(folder) && Covers(candidate, folder);
}

bool IsAbsolute(const char* p)
{
    const bool bDrive = ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':';
    return (bDrive && IsSeparator(p[2])) || (IsSeparator(p[0]) && IsSeparator(p[1]));
}

// "C:" or a UNC path with fewer than three parts (\\server\share).
bool IsRoot(const CSmallString& full)
{
    if (full.GetLength() <= 2)
        return true;
    if (full.GetAt(0) != '\\')
        return false;
    int separators = 0;
    for (const char* p = full.GetText() + 2; *p; p = CharNextA(p))
        separators += *p == '\\';
    return separators < 2;
}
} // namespace

bool IsProtectedFolder(const char* path)
{
    // Wildcards and device paths (\\?\, \\.\) never name a folder to delete.
    if (!path || !IsAbsolute(path) || strpbrk(path, "*?"))
        return true;
    if (path[2] == '.' && IsSeparator(path[3]))
        return true;
    const CSmallString strFull = Normalise(path);
    if (strFull.IsEmpty() || IsRoot(strFull))
        return true;

    static const int s_csidls[] = {
        CSIDL_DESKTOPDIRECTORY,
        CSIDL_PERSONAL,
        CSIDL_COMMON_DESKTOPDIRECTORY,
        CSIDL_COMMON_DOCUMENTS,
        CSIDL_PROFILE,
        CSIDL_WINDOWS,
        CSIDL_SYSTEM,
        CSIDL_SYSTEMX86,
        CSIDL_PROGRAM_FILES,
        CSIDL_PROGRAM_FILESX86,
        CSIDL_PROGRAM_FILES_COMMON,
        CSIDL_APPDATA,
        CSIDL_LOCAL_APPDATA,
        CSIDL_COMMON_APPDATA,
        CSIDL_STARTMENU,
        CSIDL_COMMON_STARTMENU,
        CSIDL_PROGRAMS,
        CSIDL_COMMON_PROGRAMS,
        CSIDL_STARTUP,
        CSIDL_COMMON_STARTUP,
        CSIDL_FONTS,
    };
    for (int csidl : s_csidls)
        if (CoversShellFolder(strFull, csidl))
            return true;

    static const char* const s_variables[] = {"USERPROFILE",  "ProgramFiles",       "ProgramFiles(x86)",
                                              "ProgramW6432", "CommonProgramFiles", "SystemRoot",
                                              "windir",       "ALLUSERSPROFILE",    "PUBLIC",
                                              "APPDATA",      "LOCALAPPDATA"};
    for (const char* name : s_variables)
        if (CoversEnvironment(strFull, name))
            return true;

    return CoversSystemFolder(strFull) || CoversRegistryFolders(strFull, 0) ||
           CoversRegistryFolders(strFull, KEY_WOW64_64KEY);
}
