#include "SafeRemover.h"
#include "ShortcutName.h"

#include <windows.h>

#include <cstring>

#include "Registry.h"
#include "ShortcutFolders.h"
#include "Exceptions.h"
#include "Folders.h"
#include "InstallRecord.h"
#include "InstalledPrograms.h"
#include "Journal.h"
#include "RegistryKeyPath.h"
#include "SetupLog.h"
#include "WinPath.h"
#include "win32/Handles.h"

namespace {

const char kLinkLeft[] = "a link, left in place: neither it nor what it leads to is removed";

} // namespace

CSafeRemover::CSafeRemover(const CSmallString& folder, const CInstallRecord* record)
    : m_strFolder(folder), m_strResolved(ResolvePath(folder)), m_pRecord(record),
      m_bFolderLinked(IsReachedThroughLink(folder))
{
    if (m_bFolderLinked)
        LogLine("The installation's folder %s is reached through a link: nothing in it is removed", folder.GetText());
    m_arrOtherPrograms = GetOtherProgramsFolders(m_strResolved);
}

void CSafeRemover::Refuse(const CSmallString& what, const char* why)
{
    LogLine("Refused to remove %s: %s", what.GetText(), why);
    m_arrRefused.Add(what + " (" + why + ")");
    m_uViolations++;
}

void CSafeRemover::Keep(const CSmallString& what, const char* why)
{
    LogLine("Kept %s: %s", what.GetText(), why);
    m_arrRefused.Add(what + " (" + why + ")");
}

bool CSafeRemover::IsInside(const CSmallString& target) const
{
    return !m_bFolderLinked && !m_strResolved.IsEmpty() && WinPath::IsSameOrInside(target, m_strResolved);
}

const char* CSafeRemover::WhyNeverRemoved(const CSmallString& target) const
{
    // Resolved all the way: what a link there stands for is what is judged.
    const CSmallString resolved = ResolvePath(target);
    if (IsProtectedFolder(resolved) || IsInsideWindowsFolder(resolved, true))
        return "a drive, the Windows folder or a shared or personal folder, or one that holds it";
    for (unsigned i = 0; i < m_arrOtherPrograms.GetSize(); i++) {
        const CSmallString& other = m_arrOtherPrograms[i];
        // Holding another program's folder, or inside it (but for our own
        // folder when that lies inside theirs).
        if (WinPath::IsSameOrInside(other, resolved) ||
            (WinPath::IsSameOrInside(resolved, other) && !IsInside(resolved)))
            return "another program's folder, or one that holds it";
    }
    return nullptr;
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
        if (needle.GetLength() <= 3)
            continue;
        // The whole folder name: "C:\Apps\Mini" is not in "C:\Apps\Mini Pro".
        // Find's start names where the pattern's last byte is first tried.
        for (int at = haystack.Find(needle); at >= 0; at = haystack.Find(needle, at + needle.GetLength())) {
            const char next = haystack.GetText()[at + needle.GetLength()];
            if (next == 0 || next == '\\' || next == '/' || next == '"' || next == ',')
                return true;
        }
    }
    return false;
}

void CSafeRemover::LeaveLink(const CSmallString& target)
{
    // No call removes a link alike everywhere: Windows removes the link,
    // Wine what it leads to. The installation never makes one.
    Failed(target, kLinkLeft);
}

void CSafeRemover::DeleteOne(const CSmallString& path)
{
    if (!m_strKeep.IsEmpty() && WinPath::IsSameOrInside(WinPath::Normalise(path), WinPath::Normalise(m_strKeep))) {
        m_bKeptRemoved = true; // removed once its program has ended
        return;
    }
    if (IsLink(path))
        return LeaveLink(path);
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileName(path)) {
        LogLine("Removed %s", path.GetText());
        return;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
        CouldNotRemove(path, GetLastErrorString((int)error));
}

void CSafeRemover::RemoveRecordedContent(const CSmallString& folder)
{
    const Container::CArray<CSmallString>& files = m_pRecord->GetFiles();
    for (unsigned i = 0; i < files.GetSize(); i++) {
        const CSmallString target = ResolveAllButLast(files[i]);
        if (WinPath::IsSameOrInside(target, folder) && IsInside(target)) {
            DeleteOne(target);
            PutBack(files[i], target);
        }
    }
    // Created folders, deepest first, and only once they are empty: what
    // the user put there stays.
    const Container::CArray<CSmallString>& folders = m_pRecord->GetFolders();
    for (unsigned i = folders.GetSize(); i-- > 0;) {
        const CSmallString target = ResolveAllButLast(folders[i]);
        if (!WinPath::IsSameOrInside(target, folder) || !IsInside(target) || !IsFolder(target))
            continue;
        if (RemoveDirectoryA(target))
            LogLine("Removed %s", target.GetText());
        else if (!m_strKeep.IsEmpty() && WinPath::IsSameOrInside(WinPath::Normalise(m_strKeep), target))
            m_arrKeptFolders.Add(target);
        else
            NotEmpty(target, "it holds files the installation did not create");
    }
}

void CSafeRemover::RemoveFolder(const CSmallString& path, bool ifEmpty)
{
    if (path.IsEmpty())
        return;
    if (ifEmpty)
        return RemoveEmptyFolder(path);
    const CSmallString target = ResolveAllButLast(path);
    if (target.IsEmpty())
        return Refuse(path, "not a full path");
    if (!DoesFileExist(target)) {
        LogLine("Not present: %s", target.GetText());
        return;
    }
    if (!IsFolder(target))
        return Refuse(path, "not a folder");
    if (const char* why = WhyNeverRemoved(target))
        return Refuse(target, why);
    const bool inside = IsInside(target);
    if (!inside) {
        // Outside the installation's folder only an empty folder it created
        // goes, and only by the record's word.
        if (!m_pRecord || !m_pRecord->HasFolder(path))
            return Refuse(target, m_pRecord ? "outside the installation's folder and not created by the installation"
                                            : "outside the installation's folder");
        return RemoveEmptyFolder(path);
    }
    if (IsLink(target))
        return LeaveLink(target);
    bool whole = true;
    if (m_pRecord) {
        bool existed = false;
        const bool known = m_pRecord->GetTargetExisted(path, false, existed);
        // There before (or not known to be created): only what the
        // installation put in it goes.
        whole = !(known && existed) && (m_pRecord->IsInCreatedFolder(target) || (known && !existed));
    }
    if (!whole) {
        LogLine("Removing what the installation put into %s", target.GetText());
        RemoveRecordedContent(target);
        return Keep(target, "it was there before the installation: only what the installation put in it was "
                            "removed");
    }
    Container::CArray<CSmallString> leftovers;
    DeleteDirectory(target, m_strKeep.IsEmpty() ? nullptr : m_strKeep.GetText(), &leftovers);
    for (unsigned i = 0; i < leftovers.GetSize(); i++) {
        if (IsLink(leftovers[i]))
            Failed(leftovers[i], kLinkLeft);
        else if (IsFolder(leftovers[i]))
            NotEmpty(leftovers[i], nullptr);
        else
            CouldNotRemove(leftovers[i], "in use or not allowed");
    }
    if (!m_strKeep.IsEmpty() && WinPath::IsSameOrInside(WinPath::Normalise(m_strKeep), target)) {
        m_arrKeptFolders.Add(target);
        m_bKeptRemoved = true;
    }
    LogLine("Removed folder %s%s", target.GetText(), leftovers.IsEmpty() ? "" : " (in part)");
}

void CSafeRemover::RemoveShortcut(const char* folderName, const CSmallString& name)
{
    char folder[MAX_PATH + 1] = {0};
    GetSpecialFolderPath(folderName, folder, MAX_PATH);
    const CSmallString link = CSmallString(folder) + "\\" + name + ".lnk";
    CSmallString sub;
    if (const char* why = WhyNotShortcutName(folderName, name, &sub))
        return Refuse(CSmallString(folderName) + "\\" + name, why);
    if (!folder[0])
        return Refuse(CSmallString(folderName) + "\\" + name + ".lnk", "no such shell folder");
    if (m_pRecord && !m_pRecord->HasShortcut(link))
        return Refuse(link, "not created by the installation");
    DeleteOne(link);
    PutBack(link, link);
    // Its sub-folder goes with the last shortcut in it, when the
    // installation made it.
    const CSmallString subFolder = CSmallString(folder) + "\\" + sub;
    if (!sub.IsEmpty() && m_pRecord && m_pRecord->HasFolder(subFolder))
        RemoveFolder(subFolder, true);
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
                             const CSmallString& entry, bool* leadsOnlyHere)
{
    // What the entry says it leads to: its program, folder or server.
    RegistryKeyPath::SKey key;
    RegistryKeyPath::Parse(formattedKey, key);
    const HKEY root = GetRegistryRoot(RegistryKeyPath::RootName(key.eRoot));
    // The entry's own key, from where Classify found it: its name may also
    // name a key above it ("Software", "Microsoft", "Windows").
    CSmallString base;
    RegistryKeyPath::Classify(subkey, nullptr, &base);
    Container::CArray<CSmallString> leadsTo;
    switch (kind) {
    case RegistryKeyPath::UninstallEntry:
        leadsTo.Add(ReadRegistryText(root, base, "UninstallString"));
        leadsTo.Add(ReadRegistryText(root, base, "InstallLocation"));
        break;
    case RegistryKeyPath::AppPathsEntry:
        leadsTo.Add(ReadRegistryText(root, base, nullptr));
        leadsTo.Add(ReadRegistryText(root, base, "Path"));
        break;
    case RegistryKeyPath::ComEntry:
        leadsTo.Add(ReadRegistryText(root, base + "\\InprocServer32", nullptr));
        leadsTo.Add(ReadRegistryText(root, base + "\\LocalServer32", nullptr));
        break;
    case RegistryKeyPath::ClassesEntry: {
        leadsTo.Add(ReadRegistryText(root, base + "\\shell\\open\\command", nullptr));
        // An extension leads where the file type it names opens.
        const CSmallString type = ReadRegistryText(root, base, nullptr);
        if (!type.IsEmpty() && entry.GetAt(0) == '.')
            leadsTo.Add(ReadRegistryText(root, base.Mid(0, base.GetLength() - entry.GetLength()) + type +
                                                   "\\shell\\open\\command",
                                         nullptr));
        break;
    }
    }
    bool ours = false, other = false;
    for (unsigned i = 0; i < leadsTo.GetSize(); i++) {
        if (MentionsFolder(leadsTo[i]))
            ours = true;
        else if (!leadsTo[i].IsEmpty())
            other = true;
    }
    if (leadsOnlyHere)
        *leadsOnlyHere = ours && !other;
    // Logs without a record: an entry is ours when it leads into our folder.
    if (!m_pRecord)
        return ours;
    const bool created = CreatedKey(formattedKey, subkey);
    // One entry, one folder: an Uninstall entry that names another folder
    // now (the same program installed there since) is that installation's.
    if (created && kind == RegistryKeyPath::UninstallEntry)
        return ours || !other;
    // A record only administrators could write is its own proof; another
    // one is believed only for an entry that leads nowhere else (emptied by
    // the log, or holding nothing but names).
    if (created)
        return m_bRecordTrusted || ours || !other;
    // The Uninstall entry names our uninstaller: it is ours whatever
    // created it (an upgrade over an install without a record). So is an
    // entry that leads nowhere but into our folder (the same program
    // installed elsewhere before made it), or one the installation wrote
    // into that leads nowhere now (the log removed its values first).
    if (kind == RegistryKeyPath::UninstallEntry)
        return ours;
    return !other && (ours || m_pRecord->HasValueIn(formattedKey));
}

void CSafeRemover::RemoveRecordedKeys(const CSmallString& key)
{
    const CSmallString classes = ClassesSpelling(key);
    const auto below = [&](const CSmallString& item) {
        return WinPath::IsSameOrInside(item, key) || (!classes.IsEmpty() && WinPath::IsSameOrInside(item, classes));
    };
    const Container::CArray<CSmallString>& keys = m_pRecord->GetKeys();
    for (unsigned i = 0; i < keys.GetSize(); i++) {
        CSmallString subkey;
        const HKEY root = SplitRegistryKey(keys[i], subkey);
        if (root && below(keys[i]) && RegistryKeyExists(root, subkey)) {
            DeleteRegistryKey(root, subkey);
            LogLine("Removed key %s", keys[i].GetText());
        }
    }
    const Container::CArray<CSmallString>& values = m_pRecord->GetValues();
    for (unsigned i = 0; i < values.GetSize(); i++) {
        const int cut = values[i].Find(CSmallString("\n"));
        const CSmallString valueKey = values[i].Mid(0, cut), name = values[i].Mid(cut + 1, values[i].GetLength());
        if (!below(valueKey) || PutBackValue(valueKey, name))
            continue;
        CSmallString subkey;
        const HKEY root = SplitRegistryKey(valueKey, subkey);
        if (root && DeleteRegistryValue(root, subkey, name.IsEmpty() ? nullptr : name.GetText()) == ERROR_SUCCESS)
            LogLine("Removed value %s\\%s", valueKey.GetText(), name.GetText());
    }
}

void CSafeRemover::RemoveRegistry(const char* section, const char* valueName, bool ifEmpty)
{
    RegistryKeyPath::SKey key;
    if (!RegistryKeyPath::Parse(section, key))
        return Refuse(CSmallString(section), "not a key under HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER");
    const CSmallString formatted = RegistryKeyPath::Format(key);
    const HKEY root = GetRegistryRoot(RegistryKeyPath::RootName(key.eRoot));
    CSmallString entry;
    const RegistryKeyPath::EKind kind = RegistryKeyPath::Classify(key.strSubKey, &entry);
    const bool isEntry = kind == RegistryKeyPath::UninstallEntry || kind == RegistryKeyPath::AppPathsEntry ||
                         kind == RegistryKeyPath::ClassesEntry || kind == RegistryKeyPath::ComEntry;
    const bool shared = kind == RegistryKeyPath::Root || kind == RegistryKeyPath::TopLevel ||
                        kind == RegistryKeyPath::SystemTree || kind == RegistryKeyPath::SharedKey;

    if (valueName) {
        const CSmallString what = formatted + "\\" + (*valueName ? valueName : "(default)");
        if (shared || (isEntry && !OwnsEntry(kind, formatted, key.strSubKey, entry))) {
            // In a shared or system key only a value the installation wrote
            // may go; unless the record is the administrators' copy, only one
            // that leads into our folder.
            const bool written = !m_pRecord || RecordedValue(formatted, valueName);
            const bool ours = written && ((m_pRecord && m_bRecordTrusted) ||
                                          MentionsFolder(ReadRegistryText(root, key.strSubKey,
                                                                          *valueName ? valueName : nullptr)));
            if (!ours)
                return Refuse(what, "a value of a system or shared key that the installation did not write");
        }
        // One that was there before gets its earlier data back.
        if (m_pRecord && (PutBackValue(formatted, valueName) || PutBackValue(ClassesSpelling(formatted), valueName)))
            return;
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
    if (!RegistryKeyExists(root, key.strSubKey)) {
        LogLine("Not present: %s", formatted.GetText());
        return;
    }
    if (ifEmpty)
        return RemoveEmptyKey(formatted, key.strSubKey, isEntry, kind, entry);
    bool leadsHere = false;
    const bool owned = isEntry && OwnsEntry(kind, formatted, key.strSubKey, entry, &leadsHere);
    // An entry that was there before (an extension the installation took
    // over): what the installation changed in it is put back, the rest
    // stays. Without the administrators' copy, only in an entry that leads
    // into our folder alone. Never an Uninstall or App Paths entry: those
    // register a program, and what they named before was this one's
    // earlier installation elsewhere, or nothing that is still there.
    if (isEntry && kind != RegistryKeyPath::UninstallEntry && kind != RegistryKeyPath::AppPathsEntry && m_pRecord &&
        !CreatedKey(formatted, key.strSubKey) && ChangedBelow(formatted) && (m_bRecordTrusted || leadsHere)) {
        RemoveRecordedKeys(formatted);
        LogLine("Kept %s: it was there before the installation; what the installation changed in it was put back",
                formatted.GetText());
        return;
    }
    if (isEntry && !owned)
        return Refuse(formatted, kind == RegistryKeyPath::UninstallEntry && m_pRecord &&
                                         CreatedKey(formatted, key.strSubKey)
                                     ? "another program's entry, or this program's installation in another folder"
                                     : "another program's entry, not created by the installation");
    bool existed = false;
    if (!isEntry && m_pRecord && m_pRecord->GetTargetExisted(formatted, true, existed) && existed) {
        LogLine("Removing what the installation put into %s", formatted.GetText());
        RemoveRecordedKeys(formatted);
        return Keep(formatted, "it was there before the installation: only what the installation added was "
                               "removed");
    }
    if (DeleteRegistryKey(root, key.strSubKey) || !RegistryKeyExists(root, key.strSubKey))
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
        if (DeleteFileName(file) || GetLastError() == ERROR_FILE_NOT_FOUND)
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
