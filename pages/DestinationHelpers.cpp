#include "DestinationHelpers.h"

#include <windows.h>

#include "AppGlobals.h"
#include "DefaultPath.h"
#include "EngineHelpers.h"
#include "FindFileIter.h"
#include "SinReader.h"

CSmallString GetDefaultPathFromReg(const char* name)
{
    const CSmallString key = CSmallString("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + name;
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return CSmallString();
    // One byte more than the value may take: registry text need not end in NUL.
    char value[521] = {0};
    DWORD size = 520;
    DWORD type = 0;
    const LONG result = RegQueryValueExA(hKey, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(hKey);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return CSmallString();
    value[size < 520 ? size : 520] = 0;
    char folder[521];
    RemoveFilename(value, folder);
    return CSmallString(folder);
}

CSmallString GetDefaultPath()
{
    CSmallString name;
    g_reader.GetInstallItem("default-path-registry-name", name);
    if (!name.IsEmpty()) {
        const CSmallString registered = GetDefaultPathFromReg(name);
        if (!registered.IsEmpty())
            return registered;
    }
    CSmallString path;
    g_reader.GetInstallItem("default-path", path);
    ReplaceProgramFiles(path);
    return path;
}

bool IsFolderEmpty(const char* folder)
{
    // An empty name would search the current folder.
    if (!folder || !*folder)
        return false;
    CSmallString pattern(folder);
    CheckPath(pattern);
    pattern += "*.*";
    CFindFileIter files;
    for (bool found = files.FindFiles(pattern); found; found = files.Next())
        if (!files.IsDots())
            return true;
    // Not found, no more files, bad name, unreachable share... or any other
    // failure: nothing we could see would be overwritten.
    return false;
}
