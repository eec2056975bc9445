#include "Registry.h"

#include "win32/Handles.h"

namespace {

const struct
{
    const char* pszName;
    HKEY hRoot;
} g_arrRootNames[] = {
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
};

} // namespace

HKEY SplitRegistryKey(const char* key, CSmallString& subkey)
{
    subkey.Empty();
    if (!key)
        return nullptr;
    for (const auto& root : g_arrRootNames) {
        const int n = lstrlenA(root.pszName);
        if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, key, n, root.pszName, n) == CSTR_EQUAL &&
            (key[n] == 0 || key[n] == '\\')) {
            subkey = key[n] ? key + n + 1 : "";
            return root.hRoot;
        }
    }
    return nullptr;
}

HKEY GetRegistryRoot(const char* rootName)
{
    CSmallString subkey;
    const HKEY root = SplitRegistryKey(rootName, subkey);
    return subkey.IsEmpty() ? root : nullptr;
}

const char* GetRegistryRootName(HKEY root)
{
    for (const auto& known : g_arrRootNames)
        if (known.hRoot == root)
            return known.pszName;
    return nullptr;
}

bool RegistryKeyExists(HKEY root, const char* subkey)
{
    CRegKey key;
    return key.Open(root, subkey, KEY_READ) == ERROR_SUCCESS;
}

bool ReadRegistryValue(HKEY root, const char* subkey, const char* name, DWORD& type,
                       Container::CArray<unsigned char>& data)
{
    data.RemoveAll();
    CRegKey key;
    if (key.Open(root, subkey, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    data.SetSize(size);
    if (RegQueryValueExA(key, name, nullptr, &type, data.GetData(), &size) != ERROR_SUCCESS)
        return false;
    data.SetSize(size);
    return true;
}

Container::CArray<CSmallString> ListRegistrySubkeys(HKEY key)
{
    Container::CArray<CSmallString> names;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof(name)) == ERROR_SUCCESS; i++)
        names.Add(name);
    return names;
}

LONG CountRegistryKeyContents(HKEY key, DWORD* subkeys, DWORD* values)
{
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subkeys, nullptr, nullptr, values, nullptr, nullptr, nullptr,
                            nullptr);
}

LONG WriteRegistryValue(HKEY root, const char* subkey, const char* name, DWORD type,
                        const Container::CArray<unsigned char>& data)
{
    CRegKey key;
    LONG rc = key.Open(root, subkey, KEY_SET_VALUE);
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(key, name, 0, type, data.GetData(), data.GetSize());
    return rc;
}

LONG DeleteRegistryValue(HKEY root, const char* subkey, const char* name)
{
    CRegKey key;
    LONG rc = key.Open(root, subkey, KEY_SET_VALUE);
    if (rc == ERROR_SUCCESS)
        rc = RegDeleteValueA(key, name);
    return rc;
}

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
