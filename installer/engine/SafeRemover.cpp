#include "SafeRemover.h"

#include <windows.h>

#include <cstring>

#include "Registry.h"
#include "ShortcutFolders.h"
#include "Exceptions.h"
#include "Folders.h"
#include "InstallRecord.h"
#include "Journal.h"
#include "RegistryKeyPath.h"
#include "SetupLog.h"
#include "WinPath.h"
#include "win32/Handles.h"

namespace {

bool IsFolder(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HKEY RootHandle(RegistryKeyPath::ERoot root)
{
    return root == RegistryKeyPath::LocalMachine ? HKEY_LOCAL_MACHINE
           : root == RegistryKeyPath::CurrentUser ? HKEY_CURRENT_USER
                                                  : nullptr;
}

bool KeyExists(HKEY root, const char* subkey)
{
    CRegKey key;
    return key.Open(root, subkey, KEY_READ) == ERROR_SUCCESS;
}

} // namespace

CSafeRemover::CSafeRemover(const CSmallString& folder, const CInstallRecord* record)
    : m_strFolder(folder), m_strResolved(ResolvePath(folder)), m_pRecord(record)
{
}

void CSafeRemover::Refuse(const CSmallString& what, const char* why)
{
    LogLine("Refused to remove %s: %s", what.GetText(), why);
    m_arrRefused.Add(what + " (" + why + ")");
}

void CSafeRemover::Failed(const CSmallString& what, const char* why)
{
    LogLine("Could not remove %s: %s", what.GetText(), why);
    m_arrFailed.Add(what + " (" + why + ")");
}

bool CSafeRemover::MentionsFolder(const char* text) const
{
    if (!text || !*text)
        return false;
    const CSmallString haystack(text);
    for (const CSmallString* folder : {&m_strFolder, &m_strResolved}) {
        CSmallString needle = *folder;
        while (needle.GetLength() > 3 && needle.GetAt(needle.GetLength() - 1) == '\\')
            needle.Delete(needle.GetLength() - 1, 1);
        // A drive root mentions everything: never proof of ownership.
        if (needle.GetLength() > 3 && haystack.Find(needle) >= 0)
            return true;
    }
    return false;
}

void CSafeRemover::DeleteOne(const CSmallString& path)
{
    if (!m_strKeep.IsEmpty() && WinPath::IsSameOrInside(WinPath::Normalise(path), WinPath::Normalise(m_strKeep))) {
        m_bKeptRemoved = true; // removed once its program has ended
        return;
    }
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path)) {
        LogLine("Removed %s", path.GetText());
        return;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
        Failed(path, GetLastErrorString((int)error));
}

void CSafeRemover::RemoveRecordedContent(const CSmallString& folder)
{
    const Container::CArray<CSmallString>& files = m_pRecord->GetFiles();
    for (unsigned i = 0; i < files.GetSize(); i++)
        if (WinPath::IsSameOrInside(ResolvePath(files[i]), folder))
            DeleteOne(files[i]);
    // Created folders, deepest first, and only once they are empty: what
    // the user put there stays.
    const Container::CArray<CSmallString>& folders = m_pRecord->GetFolders();
    for (unsigned i = folders.GetSize(); i-- > 0;) {
        const CSmallString resolved = ResolvePath(folders[i]);
        if (!WinPath::IsSameOrInside(resolved, folder) || !IsFolder(resolved))
            continue;
        if (RemoveDirectoryA(resolved))
            LogLine("Removed %s", resolved.GetText());
        else if (!m_strKeep.IsEmpty() && WinPath::IsSameOrInside(WinPath::Normalise(m_strKeep), resolved))
            m_arrKeptFolders.Add(resolved);
        else
            LogLine("Kept %s: it holds files the installation did not create", resolved.GetText());
    }
}

void CSafeRemover::RemoveFolder(const CSmallString& path, bool ifEmpty)
{
    if (path.IsEmpty())
        return;
    if (ifEmpty)
        return RemoveEmptyFolder(path);
    const CSmallString resolved = ResolvePath(path);
    if (resolved.IsEmpty())
        return Refuse(path, "not a full path");
    if (!DoesFileExist(resolved)) {
        LogLine("Not present: %s", resolved.GetText());
        return;
    }
    if (!IsFolder(resolved))
        return Refuse(path, "not a folder");
    if (IsProtectedFolder(resolved))
        return Refuse(resolved, "a drive, the Windows folder or a shared or personal folder, or one that holds it");

    const bool inside = !m_strResolved.IsEmpty() && WinPath::IsSameOrInside(resolved, m_strResolved);
    bool whole = false;
    if (m_pRecord) {
        bool existed = false;
        const bool known = m_pRecord->GetTargetExisted(path, false, existed);
        if (known && existed)
            whole = false; // it was there before: only what the installation put in it goes
        else if (m_pRecord->IsInCreatedFolder(resolved) || (known && !existed))
            whole = true;
        else if (!inside)
            return Refuse(resolved, "outside the installation's folder and not created by the installation");
    } else {
        // Without a record only the installation's own folder can be told apart.
        if (!inside)
            return Refuse(resolved, "outside the installation's folder");
        whole = true;
    }

    if (!whole) {
        LogLine("Removing what the installation put into %s", resolved.GetText());
        RemoveRecordedContent(resolved);
        return Refuse(resolved, "it was there before the installation: only what the installation put in it was "
                                "removed");
    }
    Container::CArray<CSmallString> leftovers;
    DeleteDirectory(resolved, m_strKeep.IsEmpty() ? nullptr : m_strKeep.GetText(), &leftovers);
    for (unsigned i = 0; i < leftovers.GetSize(); i++)
        Failed(leftovers[i], "in use or not allowed");
    if (!m_strKeep.IsEmpty() && WinPath::IsSameOrInside(WinPath::Normalise(m_strKeep), resolved)) {
        m_arrKeptFolders.Add(resolved);
        m_bKeptRemoved = true;
    }
    LogLine("Removed folder %s%s", resolved.GetText(), leftovers.IsEmpty() ? "" : " (in part)");
}

void CSafeRemover::RemoveShortcut(const char* folderName, const CSmallString& name)
{
    char folder[MAX_PATH + 1] = {0};
    GetSpecialFolderPath(folderName, folder, MAX_PATH);
    const CSmallString link = CSmallString(folder) + "\\" + name + ".lnk";
    if (const char* why = WinPath::WhyNotPlainName(name))
        return Refuse(CSmallString(folderName) + "\\" + name, why);
    if (!folder[0])
        return Refuse(CSmallString(folderName) + "\\" + name + ".lnk", "no such shell folder");
    if (m_pRecord && !m_pRecord->HasShortcut(link))
        return Refuse(link, "not created by the installation");
    DeleteOne(link);
}

bool CSafeRemover::CreatedKey(const CSmallString& formattedKey, const CSmallString& subkey) const
{
    if (m_pRecord->IsBelowCreatedKey(formattedKey))
        return true;
    // File types are written through HKEY_CLASSES_ROOT and recorded so.
    const CSmallString classes = RegistryKeyPath::BelowClasses(subkey);
    return !classes.IsEmpty() && m_pRecord->IsBelowCreatedKey(CSmallString("HKEY_CLASSES_ROOT\\") + classes);
}

bool CSafeRemover::OwnsEntry(int kind, const CSmallString& formattedKey, const CSmallString& subkey,
                             const CSmallString& entry)
{
    if (m_pRecord) {
        if (CreatedKey(formattedKey, subkey))
            return true;
        // The Uninstall entry names our uninstaller: it is ours whatever
        // created it (an upgrade over an install without a record).
        if (kind != RegistryKeyPath::UninstallEntry)
            return false;
    }
    // Logs without a record: an entry is ours when it points into our folder.
    RegistryKeyPath::SKey key;
    RegistryKeyPath::Parse(formattedKey, key);
    const HKEY root = RootHandle(key.eRoot);
    const CSmallString base = subkey.Mid(0, subkey.Find(entry) + entry.GetLength());
    switch (kind) {
    case RegistryKeyPath::UninstallEntry:
        return MentionsFolder(ReadRegistryText(root, base, "UninstallString")) ||
               MentionsFolder(ReadRegistryText(root, base, "InstallLocation"));
    case RegistryKeyPath::AppPathsEntry:
        return MentionsFolder(ReadRegistryText(root, base, nullptr)) || MentionsFolder(ReadRegistryText(root, base, "Path"));
    case RegistryKeyPath::ComEntry:
        return MentionsFolder(ReadRegistryText(root, base + "\\InprocServer32", nullptr)) ||
               MentionsFolder(ReadRegistryText(root, base + "\\LocalServer32", nullptr));
    case RegistryKeyPath::ClassesEntry: {
        if (MentionsFolder(ReadRegistryText(root, base + "\\shell\\open\\command", nullptr)))
            return true;
        // An extension: ours when the file type it names opens with our program.
        const CSmallString type = ReadRegistryText(root, base, nullptr);
        const int cut = base.GetLength() - entry.GetLength();
        return !type.IsEmpty() && entry.GetAt(0) == '.' &&
               MentionsFolder(ReadRegistryText(root, base.Mid(0, cut) + type + "\\shell\\open\\command", nullptr));
    }
    }
    return false;
}

void CSafeRemover::RemoveRecordedKeys(const CSmallString& key)
{
    const Container::CArray<CSmallString>& keys = m_pRecord->GetKeys();
    for (unsigned i = 0; i < keys.GetSize(); i++) {
        CSmallString subkey;
        const HKEY root = SplitRegistryKey(keys[i], subkey);
        if (root && WinPath::IsSameOrInside(keys[i], key) && KeyExists(root, subkey)) {
            DeleteRegistryKey(root, subkey);
            LogLine("Removed key %s", keys[i].GetText());
        }
    }
    const Container::CArray<CSmallString>& values = m_pRecord->GetValues();
    for (unsigned i = 0; i < values.GetSize(); i++) {
        const int cut = values[i].Find(CSmallString("\n"));
        const CSmallString valueKey = values[i].Mid(0, cut), name = values[i].Mid(cut + 1, values[i].GetLength());
        CSmallString subkey;
        const HKEY root = SplitRegistryKey(valueKey, subkey);
        CRegKey open;
        if (root && WinPath::IsSameOrInside(valueKey, key) && open.Open(root, subkey, KEY_SET_VALUE) == ERROR_SUCCESS &&
            RegDeleteValueA(open, name.IsEmpty() ? nullptr : name.GetText()) == ERROR_SUCCESS)
            LogLine("Removed value %s\\%s", valueKey.GetText(), name.GetText());
    }
}

void CSafeRemover::RemoveRegistry(const char* section, const char* valueName, bool ifEmpty)
{
    RegistryKeyPath::SKey key;
    if (!RegistryKeyPath::Parse(section, key))
        return Refuse(CSmallString(section), "not a key under HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER");
    const CSmallString formatted = RegistryKeyPath::Format(key);
    const HKEY root = RootHandle(key.eRoot);
    CSmallString entry;
    const RegistryKeyPath::EKind kind = RegistryKeyPath::Classify(key.strSubKey, &entry);
    const bool isEntry = kind == RegistryKeyPath::UninstallEntry || kind == RegistryKeyPath::AppPathsEntry ||
                         kind == RegistryKeyPath::ClassesEntry || kind == RegistryKeyPath::ComEntry;
    const bool shared = kind == RegistryKeyPath::Root || kind == RegistryKeyPath::TopLevel ||
                        kind == RegistryKeyPath::SystemTree || kind == RegistryKeyPath::SharedKey;

    if (valueName) {
        const CSmallString what = formatted + "\\" + (*valueName ? valueName : "(default)");
        if (shared || (isEntry && !OwnsEntry(kind, formatted, key.strSubKey, entry))) {
            // In a shared key only a value the installation wrote may go.
            const bool ours = m_pRecord ? m_pRecord->HasValue(formatted, valueName)
                                        : MentionsFolder(ReadRegistryText(root, key.strSubKey, *valueName ? valueName : nullptr));
            if (!ours)
                return Refuse(what, "a value of a system or shared key that the installation did not write");
        }
        CRegKey open;
        if (open.Open(root, key.strSubKey, KEY_SET_VALUE) != ERROR_SUCCESS)
            return;
        const LONG rc = RegDeleteValueA(open, *valueName ? valueName : nullptr);
        if (rc == ERROR_SUCCESS)
            LogLine("Removed value %s", what.GetText());
        else if (rc != ERROR_FILE_NOT_FOUND)
            Failed(what, GetLastErrorString((int)rc));
        return;
    }

    if (shared)
        return Refuse(formatted, kind == RegistryKeyPath::SystemTree ? "a system key" : "a key shared by the system "
                                                                                        "and other programs");
    if (!KeyExists(root, key.strSubKey)) {
        LogLine("Not present: %s", formatted.GetText());
        return;
    }
    if (ifEmpty)
        return RemoveEmptyKey(formatted, key.strSubKey, isEntry, kind, entry);
    if (isEntry && !OwnsEntry(kind, formatted, key.strSubKey, entry))
        return Refuse(formatted, "another program's entry, not created by the installation");
    bool existed = false;
    if (!isEntry && m_pRecord && m_pRecord->GetTargetExisted(formatted, true, existed) && existed) {
        LogLine("Removing what the installation put into %s", formatted.GetText());
        RemoveRecordedKeys(formatted);
        return Refuse(formatted, "it was there before the installation: only what the installation added was "
                                 "removed");
    }
    if (DeleteRegistryKey(root, key.strSubKey) || !KeyExists(root, key.strSubKey))
        LogLine("Removed key %s", formatted.GetText());
    else
        Failed(formatted, "access denied or in use");
}

void RemoveKeptFile(const CSmallString& file, const Container::CArray<CSmallString>& folders)
{
    if (file.IsEmpty())
        return;
    // The program that held it may take a moment to let go.
    for (int attempt = 0; attempt < 50; attempt++) {
        SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileA(file) || GetLastError() == ERROR_FILE_NOT_FOUND)
            break;
        Sleep(20);
    }
    for (unsigned i = folders.GetSize(); i-- > 0;) {
        CSmallString folder = WinPath::Normalise(file);
        for (;;) {
            const char* slash = strrchr(folder.GetText(), '\\');
            if (!slash)
                break;
            folder = folder.Mid(0, (int)(slash - folder.GetText()));
            if (!WinPath::IsSameOrInside(folder, folders[i]))
                break;
            if (RemoveDirectoryA(folder))
                LogLine("Removed %s", folder.GetText());
        }
    }
}
