#include "Journal.h"

#include <cstring>

#include "Registry.h"
#include "Exceptions.h"
#include "Folders.h"
#include "InstallRecord.h"
#include "JournalRecords.h"
#include "SetupLog.h"
#include "TestKnobs.h"
#include "win32/Handles.h"

namespace {

void RemoveFile(const CSmallString& path)
{
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileName(path) && GetLastError() != ERROR_FILE_NOT_FOUND)
        LogLine("Undo: could not delete %s: %s", path.GetText(), GetLastErrorString().GetText());
}

// The name of a file set aside, inside the run folder.
CSmallString BackupName(const CSmallString& backup)
{
    const char* slash = strrchr(backup.GetText(), '\\');
    return CSmallString(slash ? slash + 1 : backup.GetText());
}

CSmallString Number(unsigned long long value)
{
    CSmallString text;
    text.Format("%llu", value);
    return text;
}

} // namespace

SRegistryBefore CaptureRegistry(HKEY root, const char* rootName, const char* subkey, const char* name)
{
    SRegistryBefore before;
    before.hRoot = root;
    before.strSubKey = subkey;
    before.strKey = CSmallString(rootName) + "\\" + subkey;
    before.strName = name;
    // The first missing key on the path: deleting it undoes every key the
    // write will create.
    if (!RegistryKeyExists(root, subkey)) {
        CSmallString prefix;
        const char* p = subkey;
        for (;;) {
            const char* end = p;
            while (*end && *end != '\\')
                end++;
            prefix = CSmallString(subkey, (int)(end - subkey));
            if (!RegistryKeyExists(root, prefix)) {
                before.strMissing = CSmallString(rootName) + "\\" + prefix;
                break;
            }
            if (!*end)
                break;
            p = end + 1;
        }
        return before;
    }
    before.bExisted = ReadRegistryValue(root, subkey, name && *name ? name : nullptr, before.dwType, before.arrData);
    return before;
}

// A journal not ended stays for the next run: this one was cut short.
CInstallJournal::~CInstallJournal() {}

SJournalEntry& CInstallJournal::Add(SJournalEntry::EKind kind, const CSmallString& path)
{
    m_arrEntries.SetSize(m_arrEntries.GetSize() + 1);
    SJournalEntry& entry = m_arrEntries[m_arrEntries.GetSize() - 1];
    entry.eKind = kind;
    entry.strPath = path;
    return entry;
}

SUndoStep& CInstallJournal::Announce(SJournalEntry::EKind kind, const CSmallString& path)
{
    m_arrSteps.Add(SUndoStep());
    SUndoStep& step = m_arrSteps[m_arrSteps.GetSize() - 1];
    step.eKind = kind;
    step.strPath = path;
    return step;
}

void CInstallJournal::Begin(const SRunHeader& header)
{
    m_run.Begin(header);
    LogLine("The journal of this installation is kept in %s", m_run.GetFolder().GetText());
}

bool CInstallJournal::SetAside(const CSmallString& path, CSmallString& backup, DWORD& error)
{
    // Not where the user could swap a file before the undo puts it back.
    backup.Format("%s%u", m_run.GetFolder().GetText(), m_uBackups++);
    BeforeFile(path, backup);
    if (!m_bToldBackups) {
        LogLine("Replaced files are kept in %s until the end", m_run.GetFolder().GetText());
        m_bToldBackups = true;
    }
    // Across volumes the system copies; on the usual single volume it renames.
    if (!MoveFileExA(path, backup, MOVEFILE_COPY_ALLOWED)) {
        error = GetLastError();
        backup.Empty();
        return false;
    }
    return true;
}

void CInstallJournal::BeforeFile(const CSmallString& path, const CSmallString& backup)
{
    // Announced once: a second try at the same file changes nothing new.
    if (!m_arrSteps.IsEmpty()) {
        const SUndoStep& last = m_arrSteps[m_arrSteps.GetSize() - 1];
        if (last.eKind == SJournalEntry::File && !last.bMade && last.strPath == path && last.strBackup == backup)
            return;
    }
    Announce(SJournalEntry::File, path).strBackup = backup;
    if (backup.IsEmpty() && m_setPlanned.FindValue(path)) {
        m_setPlanned.RemoveAt(path);
        return;
    }
    m_run.Write({JournalRecord::kFile, path, backup.IsEmpty() ? CSmallString() : BackupName(backup)}, true);
}

void CInstallJournal::PlanFiles(const Container::CArray<CSmallString>& paths)
{
    // One flush where each file would take one: most of what a small file
    // costs besides making it.
    bool planned = false;
    for (unsigned i = 0; i < paths.GetSize(); i++) {
        const CSmallString& path = paths[i];
        if (m_setPlanned.FindValue(path))
            continue;
        m_run.Write({JournalRecord::kPlanned, path}, false);
        m_setPlanned.SetAt(path, true);
        planned = true;
    }
    if (planned)
        m_run.Flush();
}

void CInstallJournal::KeepBackup(unsigned index, const CSmallString& kept)
{
    SJournalEntry& entry = m_arrEntries[index];
    entry.strKept = kept;
    if (!kept.IsEmpty() && !entry.strBackup.IsEmpty())
        m_run.Write({JournalRecord::kKeep, BackupName(entry.strBackup), kept}, true);
}

void CInstallJournal::BeforeFolder(const CSmallString& path)
{
    Announce(SJournalEntry::Folder, path);
    m_run.Write({JournalRecord::kFolder, path}, true);
}

void CInstallJournal::BeforeDll(const CSmallString& path)
{
    Announce(SJournalEntry::Dll, path);
    m_run.Write({JournalRecord::kDll, path}, true);
}

void CInstallJournal::NoteValueSet(const CSmallString& key, const char* name)
{
    m_setValuesSet.SetAt(CInstallRecord::ValueId(key, name), true);
}

void CInstallJournal::BeforeValue(const SRegistryBefore& before)
{
    NoteValueSet(before.strKey, before.strName);
    // A key already announced is undone once, after every value in it.
    bool announced = before.strMissing.IsEmpty();
    for (unsigned i = 0; !announced && i < m_arrSteps.GetSize(); i++)
        announced = m_arrSteps[i].eKind == SJournalEntry::Key && m_arrSteps[i].strPath.IsSameNoCase(before.strMissing);
    if (!announced) {
        Announce(SJournalEntry::Key, before.strMissing);
        m_run.Write({JournalRecord::kKey, before.strMissing}, false);
    }
    SUndoStep& step = Announce(SJournalEntry::Value, before.strKey);
    step.strName = before.strName;
    step.bExisted = before.bExisted;
    step.dwType = before.dwType;
    step.arrData = before.arrData;
    m_run.Write({JournalRecord::kValue, before.strKey, before.strName, before.bExisted ? "1" : "0",
                 Number(before.dwType), JournalText::ToHex(before.arrData.GetData(), before.arrData.GetSize())},
                true);
}

void CInstallJournal::NoteMade(const CSmallString& path, HANDLE file, bool whole)
{
    CAutoHandle opened;
    if (!file) {
        opened.Reset(CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                 nullptr));
        file = opened;
    }
    SFileIdentity identity;
    SUndoStep* step = nullptr;
    for (unsigned i = m_arrSteps.GetSize(); !step && i-- > 0;)
        if (m_arrSteps[i].eKind == SJournalEntry::File && m_arrSteps[i].strPath == path)
            step = &m_arrSteps[i];
    if (!step || !m_identities.Get(path, file, identity)) {
        // Unknown, it is never taken for this run's own.
        LogLine("Undo: %s can't be told from another file: it will be left", path.GetText());
        return;
    }
    step->bMade = true;
    step->dwVolume = identity.dwVolume;
    step->dwIndexHigh = identity.dwIndexHigh;
    step->dwIndexLow = identity.dwIndexLow;
    step->bSized = whole;
    step->ullSize = identity.ullSize;
    WriteMade(*step);
    if (whole)
        EndIfAsked("file");
}

void CInstallJournal::NoteRenamed(const CSmallString& from, const CSmallString& to)
{
    const SUndoStep* made = nullptr;
    SUndoStep* renamed = nullptr;
    for (unsigned i = m_arrSteps.GetSize(); i-- > 0;) {
        SUndoStep& step = m_arrSteps[i];
        if (step.eKind != SJournalEntry::File)
            continue;
        if (!made && step.strPath == from)
            made = &step;
        if (!renamed && step.strPath == to)
            renamed = &step;
    }
    if (!made || !renamed || !made->bMade)
        return;
    renamed->bMade = true;
    renamed->dwVolume = made->dwVolume;
    renamed->dwIndexHigh = made->dwIndexHigh;
    renamed->dwIndexLow = made->dwIndexLow;
    renamed->bSized = made->bSized;
    renamed->ullSize = made->ullSize;
    WriteMade(*renamed);
}

void CInstallJournal::WriteMade(const SUndoStep& step)
{
    CSmallString volume, index;
    volume.Format("%08lx", (unsigned long)step.dwVolume);
    index.Format("%08lx%08lx", (unsigned long)step.dwIndexHigh, (unsigned long)step.dwIndexLow);
    const CSmallString size = step.bSized ? Number(step.ullSize) : CSmallString();
    m_run.Write({JournalRecord::kMade, step.strPath, volume, index, size}, false);
}

void CInstallJournal::NoteDropOnCommit(const CSmallString& logCopy)
{
    m_run.Write({JournalRecord::kDrop, logCopy}, false);
}

void CInstallJournal::NoteSeen(const CSmallString& path)
{
    m_seen = SUndoStep();
    m_seen.strPath = path;
    CAutoHandle file(CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    CSmallString volume, index, size;
    if (file.IsValid() && GetFileInformationByHandle(file, &info)) {
        m_seen.bMade = m_seen.bSized = true;
        m_seen.dwVolume = info.dwVolumeSerialNumber;
        m_seen.dwIndexHigh = info.nFileIndexHigh;
        m_seen.dwIndexLow = info.nFileIndexLow;
        m_seen.ullSize = ((unsigned long long)info.nFileSizeHigh << 32) | info.nFileSizeLow;
        volume.Format("%08lx", (unsigned long)info.dwVolumeSerialNumber);
        index.Format("%08lx%08lx", (unsigned long)info.nFileIndexHigh, (unsigned long)info.nFileIndexLow);
        size = Number(m_seen.ullSize);
    }
    m_run.Write({JournalRecord::kSeen, path, volume, index, size}, false);
}

void CInstallJournal::MarkCommitted()
{
    m_run.Write({JournalRecord::kCommit}, true);
    EndIfAsked("commit");
}

void CInstallJournal::AddFile(const CSmallString& path, const CSmallString& backup)
{
    Add(SJournalEntry::File, path).strBackup = backup;
}

void CInstallJournal::AddShortcut(const CSmallString& path, const CSmallString& backup)
{
    Add(SJournalEntry::Shortcut, path).strBackup = backup;
}

void CInstallJournal::AddDropped(const CSmallString& path, const CSmallString& backup)
{
    SJournalEntry& entry = Add(SJournalEntry::File, path);
    entry.strBackup = backup;
    entry.bDropped = true;
}

void CInstallJournal::AddFolder(const CSmallString& path) { Add(SJournalEntry::Folder, path); }

void CInstallJournal::AddOwnFolder(const CSmallString& path) { Add(SJournalEntry::Folder, path).bOwn = true; }

void CInstallJournal::AddDll(const CSmallString& path) { Add(SJournalEntry::Dll, path); }

void CInstallJournal::AddRegistry(const SRegistryBefore& before, bool written)
{
    if (!before.strMissing.IsEmpty()) {
        CSmallString missing;
        const HKEY root = SplitRegistryKey(before.strMissing, missing);
        if (root && RegistryKeyExists(root, missing))
            Add(SJournalEntry::Key, before.strMissing);
    }
    // What the value holds now: the undo restores it only while it does.
    for (unsigned i = m_arrSteps.GetSize(); i-- > 0;) {
        SUndoStep& step = m_arrSteps[i];
        if (step.eKind != SJournalEntry::Value || step.strPath != before.strKey || step.strName != before.strName)
            continue;
        step.bWritten = true;
        const char* name = before.strName.IsEmpty() ? nullptr : before.strName.GetText();
        step.bWrittenExists =
            ReadRegistryValue(before.hRoot, before.strSubKey, name, step.dwWrittenType, step.arrWritten);
        if (!step.bWrittenExists)
            step.arrWritten.RemoveAll();
        const CSmallString data = JournalText::ToHex(step.arrWritten.GetData(), step.arrWritten.GetSize());
        m_run.Write({JournalRecord::kWrote, before.strKey, before.strName, step.bWrittenExists ? "1" : "0",
                     Number(step.dwWrittenType), data},
                    false);
        break;
    }
    if (!written)
        return;
    SJournalEntry& entry = Add(SJournalEntry::Value, before.strKey);
    entry.strName = before.strName;
    entry.bExisted = before.bExisted;
    entry.dwType = before.dwType;
    entry.arrData = before.arrData;
    EndIfAsked("value");
}

void CInstallJournal::Rollback()
{
    if (!m_arrSteps.IsEmpty())
        LogLine("Undoing %u change(s)", m_arrSteps.GetSize());
    UndoSteps(m_arrSteps, m_seen, false);
    m_arrSteps.RemoveAll();
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
    const CSmallString folder = m_run.GetFolder();
    // Only what was set aside lives there; a file that could not be put
    // back stays, so nothing of the user's is ever lost.
    if (!m_run.End())
        LogLine("Files that could not be put back are kept in %s", folder.GetText());
}

CSmallString RegistryText(const SRegistryBefore& value)
{
    if (!value.bExisted || (value.dwType != REG_SZ && value.dwType != REG_EXPAND_SZ))
        return CSmallString();
    const char* text = reinterpret_cast<const char*>(value.arrData.GetData());
    unsigned length = 0;
    while (length < value.arrData.GetSize() && text[length])
        length++;
    return CSmallString(text, (int)length);
}
