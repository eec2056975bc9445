#include "Journal.h"

#include "Registry.h"
#include "Security.h"
#include "ComServer.h"
#include "Exceptions.h"
#include "Folders.h"
#include "SetupLog.h"
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

bool KeyExists(HKEY root, const char* subkey)
{
    CRegKey key;
    return key.Open(root, subkey, KEY_READ) == ERROR_SUCCESS;
}

bool ReadValue(HKEY root, const char* subkey, const char* name, DWORD& type, Container::CArray<unsigned char>& data)
{
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

void RemoveFile(const CSmallString& path)
{
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileName(path) && GetLastError() != ERROR_FILE_NOT_FOUND)
        LogLine("Undo: could not delete %s: %s", path.GetText(), GetLastErrorString().GetText());
}

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

SRegistryBefore CaptureRegistry(HKEY root, const char* rootName, const char* subkey, const char* name)
{
    SRegistryBefore before;
    before.hRoot = root;
    before.strSubKey = subkey;
    before.strKey = CSmallString(rootName) + "\\" + subkey;
    before.strName = name;
    // The first missing key on the path: deleting it undoes every key the
    // write will create.
    if (!KeyExists(root, subkey)) {
        CSmallString prefix;
        const char* p = subkey;
        for (;;) {
            const char* end = p;
            while (*end && *end != '\\')
                end++;
            prefix = CSmallString(subkey, (int)(end - subkey));
            if (!KeyExists(root, prefix)) {
                before.strMissing = CSmallString(rootName) + "\\" + prefix;
                break;
            }
            if (!*end)
                break;
            p = end + 1;
        }
        return before;
    }
    before.bExisted = ReadValue(root, subkey, name && *name ? name : nullptr, before.dwType, before.arrData);
    return before;
}

CInstallJournal::~CInstallJournal() { RemoveBackupFolder(); }

SJournalEntry& CInstallJournal::Add(SJournalEntry::EKind kind, const CSmallString& path)
{
    m_arrEntries.SetSize(m_arrEntries.GetSize() + 1);
    SJournalEntry& entry = m_arrEntries[m_arrEntries.GetSize() - 1];
    entry.eKind = kind;
    entry.strPath = path;
    return entry;
}

bool CInstallJournal::SetAside(const CSmallString& path, CSmallString& backup, DWORD& error)
{
    if (m_strBackupFolder.IsEmpty()) {
        // Not where the user could swap a file before the undo puts it back.
        m_strBackupFolder = CreateRunFolder("kx-undo-");
        if (m_strBackupFolder.IsEmpty()) {
            error = GetLastError() ? GetLastError() : ERROR_CANNOT_MAKE;
            return false;
        }
        LogLine("Replaced files are kept in %s until the end", m_strBackupFolder.GetText());
    }
    backup.Format("%s%u", m_strBackupFolder.GetText(), m_uBackups++);
    // Across volumes the system copies; on the usual single volume it renames.
    if (!MoveFileExA(path, backup, MOVEFILE_COPY_ALLOWED)) {
        error = GetLastError();
        backup.Empty();
        return false;
    }
    return true;
}

void CInstallJournal::AddFile(const CSmallString& path, const CSmallString& backup)
{
    Add(SJournalEntry::File, path).strBackup = backup;
}

void CInstallJournal::AddShortcut(const CSmallString& path, const CSmallString& backup)
{
    Add(SJournalEntry::Shortcut, path).strBackup = backup;
}

void CInstallJournal::AddFolder(const CSmallString& path) { Add(SJournalEntry::Folder, path); }

void CInstallJournal::AddOwnFolder(const CSmallString& path) { Add(SJournalEntry::Folder, path).bOwn = true; }

void CInstallJournal::AddDll(const CSmallString& path) { Add(SJournalEntry::Dll, path); }

void CInstallJournal::AddRegistry(const SRegistryBefore& before, bool written)
{
    if (!before.strMissing.IsEmpty()) {
        CSmallString missing;
        const HKEY root = SplitRegistryKey(before.strMissing, missing);
        if (root && KeyExists(root, missing))
            Add(SJournalEntry::Key, before.strMissing);
    }
    if (!written)
        return;
    SJournalEntry& entry = Add(SJournalEntry::Value, before.strKey);
    entry.strName = before.strName;
    entry.bExisted = before.bExisted;
    entry.dwType = before.dwType;
    entry.arrData = before.arrData;
}

void CInstallJournal::Rollback()
{
    if (!m_arrEntries.IsEmpty())
        LogLine("Undoing %u change(s)", m_arrEntries.GetSize());
    for (unsigned i = m_arrEntries.GetSize(); i-- > 0;) {
        const SJournalEntry& entry = m_arrEntries[i];
        switch (entry.eKind) {
        case SJournalEntry::File:
        case SJournalEntry::Shortcut:
            RemoveFile(entry.strPath);
            if (!entry.strBackup.IsEmpty() &&
                !MoveFileExA(entry.strBackup, entry.strPath, MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING))
                LogLine("Undo: could not put back %s: %s", entry.strPath.GetText(), GetLastErrorString().GetText());
            break;
        case SJournalEntry::Folder:
            if (!RemoveDirectoryA(entry.strPath))
                LogLine("Undo: folder %s left in place: %s", entry.strPath.GetText(),
                        GetLastErrorString().GetText());
            break;
        case SJournalEntry::Key: {
            CSmallString subkey;
            if (const HKEY root = SplitRegistryKey(entry.strPath, subkey))
                DeleteRegistryKey(root, subkey);
            break;
        }
        case SJournalEntry::Value: {
            CSmallString subkey;
            const HKEY root = SplitRegistryKey(entry.strPath, subkey);
            CRegKey key;
            if (!root || key.Open(root, subkey, KEY_SET_VALUE) != ERROR_SUCCESS)
                break; // its key went with a created parent
            const char* name = entry.strName.IsEmpty() ? nullptr : entry.strName.GetText();
            if (entry.bExisted)
                RegSetValueExA(key, name, 0, entry.dwType, entry.arrData.GetData(), entry.arrData.GetSize());
            else
                RegDeleteValueA(key, name);
            break;
        }
        case SJournalEntry::Dll:
            UnregisterCOMDLL(entry.strPath);
            break;
        }
    }
    m_arrEntries.RemoveAll();
    RemoveBackupFolder();
}

void CInstallJournal::Commit()
{
    for (unsigned i = 0; i < m_arrEntries.GetSize(); i++) {
        SJournalEntry& entry = m_arrEntries[i];
        if (entry.strBackup.IsEmpty())
            continue;
        if (entry.strKept.IsEmpty()) {
            RemoveFile(entry.strBackup);
        } else if (MoveFileExA(entry.strBackup, entry.strKept, MOVEFILE_COPY_ALLOWED)) {
            LogLine("Replaced the existing file %s: kept, put back at uninstall (%s)", entry.strPath.GetText(),
                    entry.strKept.GetText());
        } else {
            // Left where it was set aside, whose folder then stays.
            LogLine("Replaced the existing file %s: it could not be kept in %s: %s", entry.strPath.GetText(),
                    entry.strKept.GetText(), GetLastErrorString().GetText());
        }
        entry.strBackup.Empty();
    }
    RemoveBackupFolder();
}

void CInstallJournal::RemoveBackupFolder()
{
    if (m_strBackupFolder.IsEmpty())
        return;
    // Only what was set aside lives there; a file that could not be put
    // back stays, so nothing of the user's is ever lost.
    if (!RemoveDirectoryA(m_strBackupFolder))
        LogLine("Files that could not be put back are kept in %s", m_strBackupFolder.GetText());
    m_strBackupFolder.Empty();
}
