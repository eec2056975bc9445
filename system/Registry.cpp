#include "Registry.h"

#include "win32/Handles.h"

CSmallString ReadRegistryText(HKEY root, const char* subkey, const char* name)
{
    CRegKey key;
    if (key.Open(root, subkey, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return CSmallString();
    name = name && *name ? name : nullptr;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return CSmallString();
    CSmallString text;
    // Stored strings need not end in a NUL: one byte more, and cut at the first.
    const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.GetBuffer((int)size + 1)),
                                     &size);
    if (rc != ERROR_SUCCESS) {
        text.ReleaseBuffer(0);
        return text;
    }
    text.GetBuffer((int)size + 1)[size] = 0;
    text.ReleaseBuffer(-1);
    return text;
}

bool DeleteRegistryKey(HKEY root, const char* subkey)
{
    typedef LONG(WINAPI * SHDeleteKeyFn)(HKEY, LPCSTR);
    // The export is named for its ANSI form; a lookup of the bare name
    // would always miss and leave keys with subkeys behind.
    const CLibrary shlwapi("Shlwapi.dll");
    if (SHDeleteKeyFn shDeleteKey = shlwapi.Find<SHDeleteKeyFn>("SHDeleteKeyA"))
        return shDeleteKey(root, subkey) == ERROR_SUCCESS;
    return RegDeleteKeyA(root, subkey) == ERROR_SUCCESS;
}

void ReadShellFolder(const char* valueName, char* buffer, DWORD size)
{
    CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                 KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return;
    DWORD type = 0, bytes = size;
    if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        buffer[0] = 0;
    else
        buffer[bytes < size ? bytes : size - 1] = 0; // stored values need not end in a NUL
}
