// Registry helpers of the engine.
#include "EngineHelpers.h"
#include "Exceptions.h"
#include "InstallSession.h"
#include "Platform.h"
#include "RegistryKeyPath.h"
#include "ScriptVocabulary.h"
#include "SetupLog.h"
#include "SinReader.h"
#include "win32/Handles.h"

HKEY GetKeyFromSection(const char*& key)
{
    static const struct
    {
        const char* pszName;
        HKEY hRoot;
    } s_roots[] = {{"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {"HKEY_CURRENT_USER", HKEY_CURRENT_USER}};
    for (const auto& root : s_roots) {
        const size_t len = strlen(root.pszName);
        // The name must end there: "HKEY_LOCAL_MACHINEX" is no root.
        if (Mb::NbICmp(key, root.pszName, len) == 0 && (key[len] == 0 || key[len] == '\\')) {
            key += len;
            if (*key)
                key++; // the separating backslash
            return root.hRoot;
        }
    }
    return nullptr;
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

void GetSpecialFolderPath(const char* folderName, char* buffer, DWORD size)
{
    // Only the listed folders: the packer's check knows the same names.
    folderName = FindShortcutFolder(folderName);
    if (!folderName) {
        buffer[0] = 0;
        return;
    }
    CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                 KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return;
    DWORD type = 0, bytes = size;
    if (RegQueryValueExA(key, folderName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        buffer[0] = 0;
    else
        buffer[bytes < size ? bytes : size - 1] = 0; // stored values need not end in a NUL
}

// Writes one value, journaled when an installation is running.
static bool SetValue(CInstallSession* session, const char* key, const char* valueName, DWORD type, const BYTE* data,
                     DWORD size)
{
    RegistryKeyPath::SKey parsed;
    if (!RegistryKeyPath::Parse(key, parsed)) {
        LogLine("Registry value not written: %s has no known root (HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER)", key);
        return false; // an unknown root would address the wrong place
    }
    const HKEY root = parsed.eRoot == RegistryKeyPath::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    const char* rootName = parsed.eRoot == RegistryKeyPath::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    const char* name = valueName && *valueName ? valueName : nullptr;
    SRegistryBefore before;
    if (session)
        before = CaptureRegistry(root, rootName, parsed.strSubKey, name);
    CRegKey handle;
    LONG rc = handle.Create(root, parsed.strSubKey, KEY_SET_VALUE);
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(handle, name, 0, type, data, size);
    if (session)
        session->GetJournal().AddRegistry(before, rc == ERROR_SUCCESS);
    if (rc == ERROR_SUCCESS)
        LogLine("Registry value written: %s\\%s", RegistryKeyPath::Format(parsed).GetText(), name ? name : "(default)");
    else
        LogLine("Registry value not written: %s\\%s: %s", RegistryKeyPath::Format(parsed).GetText(),
                name ? name : "(default)", GetLastErrorString((int)rc).GetText());
    return rc == ERROR_SUCCESS;
}

bool CSinReader::AddRegKey(const char* key, const char* valueName, const char* value)
{
    CSmallString text(value);
    TranslatePath(text);
    // The registry expects string data to include its terminating NUL.
    return SetValue(m_pSession, key, valueName, REG_SZ, reinterpret_cast<const BYTE*>(text.GetText()),
             (DWORD)text.GetLength() + 1);
}

bool CSinReader::AddRegKey(const char* key, const char* valueName, unsigned int value)
{
    const DWORD data = value;
    return SetValue(m_pSession, key, valueName, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
}
