// An upgrade takes away what the earlier version installed and this one
// no longer does, so that nothing of it is stranded: neither now nor after
// the uninstall, whose log names only this version's files.
#include "InstallSession.h"

#include <cstring>

#include "Exceptions.h"
#include "Folders.h"
#include "Platform.h"
#include "Registry.h"
#include "Journal.h"
#include "RegistryKeyPath.h"
#include "ScriptWords.h"
#include "SetupLog.h"
#include "ShortcutFolders.h"
#include "WinPath.h"
#include "win32/Handles.h"

namespace {

// Strictly inside one of the shell folders a shortcut may go to: a record
// read from anywhere else names nothing to remove there.
bool IsInShellFolder(const CSmallString& path)
{
    static const char* const s_folders[] = {
#define KX_FOLDER_NAME(name) name,
        KX_SHORTCUT_FOLDERS(KX_FOLDER_NAME)
#undef KX_FOLDER_NAME
    };
    for (const char* name : s_folders) {
        char folder[MAX_PATH] = {0};
        GetSpecialFolderPath(name, folder, sizeof(folder));
        const CSmallString normal = WinPath::Normalise(CSmallString(folder));
        if (folder[0] && WinPath::IsSameOrInside(path, normal) && !WinPath::IsSameOrInside(normal, path))
            return true;
    }
    return false;
}

bool IsShortcut(const CSmallString& path)
{
    return path.GetLength() > 4 && Mb::ICmp(path.GetText() + path.GetLength() - 4, ".lnk") == 0 &&
           IsInShellFolder(path);
}

// Not a value anywhere below: the key is only the frame an earlier version
// left.
bool HoldsNoValue(HKEY root, const CSmallString& subkey)
{
    CRegKey open;
    DWORD values = 1;
    if (open.Open(root, subkey, KEY_READ) != ERROR_SUCCESS ||
        RegQueryInfoKeyA(open, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS ||
        values)
        return false;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(open, i, name, sizeof(name)) == ERROR_SUCCESS; i++)
        if (!HoldsNoValue(root, subkey + "\\" + name))
            return false;
    return true;
}

bool SameData(DWORD type, const Container::CArray<unsigned char>& data, const SValueBefore& as)
{
    return type == as.uWrittenType && data.GetSize() == as.arrWritten.GetSize() &&
           memcmp(data.GetData(), as.arrWritten.GetData(), data.GetSize()) == 0;
}

} // namespace

void CInstallSession::RemoveDropped()
{
    if (!m_bHasEarlier)
        return;
    // What this run wrote, and what the program writes after this.
    Container::CMap<CSmallString, bool> written;
    const Container::CArray<SJournalEntry>& entries = m_journal.GetEntries();
    for (unsigned i = 0; i < entries.GetSize(); i++) {
        const SJournalEntry& entry = entries[i];
        if (entry.eKind == SJournalEntry::File || entry.eKind == SJournalEntry::Shortcut)
            written.SetAt(WinPath::Normalise(entry.strPath), true);
    }
    const CSmallString folder = WinPath::Normalise(m_strFolder);
    for (const char* own : {"uninstall.exe", "uninstall.dat", "install.log"})
        written.SetAt(WinPath::Normalise(m_strFolder + own), true);

    for (int shortcuts = 0; shortcuts < 2; shortcuts++) {
        const Container::CArray<CSmallString>& paths = shortcuts ? m_earlier.GetShortcuts() : m_earlier.GetFiles();
        for (unsigned i = 0; i < paths.GetSize(); i++) {
            const CSmallString& path = paths[i];
            // A file that replaced one of the user's is the uninstaller's to
            // give back; files outside the folder, as the uninstaller, left.
            if (written.FindValue(path) || m_earlier.FindKept(path) ||
                !(shortcuts ? IsShortcut(path) : WinPath::IsSameOrInside(path, folder)))
                continue;
            WIN32_FILE_ATTRIBUTE_DATA info;
            if (!GetFileAttributesExA(path, GetFileExInfoStandard, &info) ||
                (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) || IsLink(path) ||
                IsReachedThroughLink(path))
                continue;
            if (CompareFileTime(&info.ftLastWriteTime, &m_ftEarlier) > 0) {
                LogLine("Kept %s: the earlier version installed it, and it was changed since", path.GetText());
                m_arrChanged.Add(path);
                continue;
            }
            CSmallString backup;
            DWORD error = 0;
            if (m_journal.SetAside(path, backup, error)) {
                m_journal.AddDropped(path, backup);
                LogLine("Removed %s: the earlier version installed it, this one doesn't", path.GetText());
            } else {
                LogLine("Could not remove %s, which the earlier version installed: %s", path.GetText(),
                        GetLastErrorString((int)error).GetText());
            }
        }
    }
    DropValues();
}

void CInstallSession::DropValues()
{
    // A value the earlier version created and this one doesn't write goes
    // while it holds what that version wrote: one changed since is the
    // application's or the user's setting. Records of older installers
    // don't say what was written: their values stay.
    const Container::CArray<CSmallString>& values = m_earlier.GetValues();
    for (unsigned i = 0; i < values.GetSize(); i++) {
        const SValueBefore* created = m_earlier.FindValueCreated(values[i]);
        if (m_journal.IsValueSet(values[i]) || !created || !created->bWritten)
            continue;
        const int cut = values[i].Find(CSmallString("\n"));
        const CSmallString key = values[i].Mid(0, cut), name = values[i].Mid(cut + 1, values[i].GetLength());
        CSmallString subkey;
        const HKEY root = SplitRegistryKey(key, subkey);
        // The entry's values are written again once the record is built.
        if (!root || RegistryKeyPath::Classify(subkey) == RegistryKeyPath::UninstallEntry)
            continue;
        const SRegistryBefore now = CaptureRegistry(root, key.Mid(0, key.Find(CSmallString("\\"))), subkey, name);
        if (!now.bExisted || !SameData(now.dwType, now.arrData, *created))
            continue;
        m_journal.BeforeValue(now);
        CRegKey open;
        LONG rc = open.Open(root, subkey, KEY_SET_VALUE);
        if (rc == ERROR_SUCCESS)
            rc = RegDeleteValueA(open, name.IsEmpty() ? nullptr : name.GetText());
        m_journal.AddRegistry(now, rc == ERROR_SUCCESS);
        if (rc == ERROR_SUCCESS)
            m_arrDroppedKeys.Add(key);
        if (rc == ERROR_SUCCESS)
            LogLine("Removed value %s\\%s: the earlier version wrote it, this one doesn't", key.GetText(),
                    name.IsEmpty() ? "(default)" : name.GetText());
    }
}

void CInstallSession::RemoveEmptied() const
{
    if (!m_bHasEarlier)
        return;
    // Deepest first, so that a folder is empty by the time its parent's turn
    // comes; the installation's own folder stays.
    const CSmallString folder = WinPath::Normalise(m_strFolder);
    const Container::CArray<CSmallString>& folders = m_earlier.GetFolders();
    for (unsigned i = folders.GetSize(); i-- > 0;) {
        const CSmallString& path = folders[i];
        const bool inFolder = WinPath::IsSameOrInside(path, folder) && !WinPath::IsSameOrInside(folder, path);
        if (!(inFolder || IsInShellFolder(path)) || IsLink(path) || IsReachedThroughLink(path))
            continue;
        if (RemoveDirectoryA(path))
            LogLine("Removed the folder %s: the earlier version made it, and nothing is left in it", path.GetText());
    }
    // The keys that held a value it removed, up to the one the earlier
    // version created, each while nothing is left in it.
    for (unsigned i = 0; i < m_arrDroppedKeys.GetSize(); i++) {
        CSmallString key = m_arrDroppedKeys[i], subkey;
        const HKEY root = SplitRegistryKey(key, subkey);
        while (root && m_earlier.IsBelowCreatedKey(key) && HoldsNoValue(root, subkey) &&
               DeleteEmptyRegistryKey(root, subkey) == ERROR_SUCCESS) {
            LogLine("Removed the key %s: the earlier version made it, and nothing is left in it", key.GetText());
            const char* cut = strrchr(key.GetText(), '\\');
            const char* subCut = strrchr(subkey.GetText(), '\\');
            if (!cut || !subCut)
                break;
            key = key.Mid(0, (int)(cut - key.GetText()));
            subkey = subkey.Mid(0, (int)(subCut - subkey.GetText()));
        }
    }
    const Container::CArray<CSmallString>& keys = m_earlier.GetKeys();
    for (unsigned i = keys.GetSize(); i-- > 0;) {
        CSmallString subkey;
        const HKEY root = SplitRegistryKey(keys[i], subkey);
        const RegistryKeyPath::EKind kind =
            RegistryKeyPath::Classify(root == HKEY_CLASSES_ROOT ? CSmallString("Software\\Classes\\") + subkey : subkey);
        if (!root || kind == RegistryKeyPath::Root || kind == RegistryKeyPath::TopLevel ||
            kind == RegistryKeyPath::SystemTree || kind == RegistryKeyPath::SharedKey || !HoldsNoValue(root, subkey))
            continue;
        if (DeleteRegistryKey(root, subkey))
            LogLine("Removed the key %s: the earlier version made it, and no value is left in it", keys[i].GetText());
    }
}
