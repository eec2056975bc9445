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

LONG DeleteEmptyRegistryKey(HKEY root, const char* subkey)
{
    const REGSAM view = WithApplicationView(root, 0);
    if (!view)
        return RegDeleteKeyA(root, subkey);
    // Only the Ex form deletes in another view; every 64-bit Windows has it.
    typedef LONG(WINAPI * RegDeleteKeyExFn)(HKEY, LPCSTR, REGSAM, DWORD);
    const auto deleteKeyEx = reinterpret_cast<RegDeleteKeyExFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA")));
    return deleteKeyEx ? deleteKeyEx(root, subkey, view, 0) : ERROR_CALL_NOT_IMPLEMENTED;
}

namespace {

// The tree below subkey, deepest first, in the application's view (which
// SHDeleteKey can't be told).
bool DeleteTreeInView(HKEY root, const CSmallString& subkey)
{
    for (;;) {
        CRegKey key;
        if (key.Open(root, subkey, KEY_READ) != ERROR_SUCCESS)
            return false;
        char name[256];
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        key.Close();
        if (!DeleteTreeInView(root, subkey + "\\" + name))
            return false;
    }
    return DeleteEmptyRegistryKey(root, subkey) == ERROR_SUCCESS;
}

} // namespace

bool DeleteRegistryKey(HKEY root, const char* subkey)
{
    if (WithApplicationView(root, 0))
        return DeleteTreeInView(root, CSmallString(subkey));
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
