#include "InstallSession.h"

#include <cstring>
#include <new>

#include "SystemPaths.h"
#include "Exceptions.h"
#include "FileText.h"
#include "KeptFiles.h"
#include "Language.h"
#include "Folders.h"
#include "PackageStream.h"
#include "Platform.h"
#include "RegistryKeyPath.h"
#include "ReleasePtr.h"
#include "SetupLog.h"
#include "SinProgress.h"
#include "SinReader.h"
#include "UserMessages.h"
#include "WinPath.h"
#include "XMLDocument.h"
#include "XMLWellFormed.h"
#include "resource.h"
#include "win32/Handles.h"
#include "win32/ResString.h"
#include "ScriptWords.h"
#include "DecodeAhead.h"
#include "Destination.h"
#include "Recovery.h"
#include "TestKnobs.h"
#include "AtRestart.h"
#include "Architecture.h"
#include "InstallScope.h"
#include "LogCopy.h"
#include "Security.h"

namespace {

bool IsInUse(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_USER_MAPPED_FILE;
}

// Message 19 for path, ending with the system's reason.
void TellWriteFailed(const CSmallString& path, DWORD error)
{
    CSmallString message, reason;
    message.Format(CResString(IDS_WRITE_FAILED), path.GetText());
    reason.Format(CResString(IDS_SYSTEM_REASON), GetLastErrorString((int)error).GetText());
    Error(message + reason);
}

} // namespace

void TellPackageDamaged(const char* why)
{
    CSmallString message;
    message.Format(CResString(IDS_PACKAGE_DAMAGED), why ? why : "it can't be read");
    Error(message);
}

// Writes what arrives into an open file; between pieces the installation
// shows its progress and may be cancelled.
class CFileSink : public CByteSinkABC
{
public:
    CFileSink(CInstallSession* session, HANDLE file, const char* path) : m_pSession(session), m_hFile(file), m_pszPath(path)
    {
    }
    bool Take(const unsigned char* data, uint32_t length) override
    {
        DWORD written = 0;
        // A write past the end of a full disk may report success with fewer bytes.
        if (!WriteFile(m_hFile, data, length, &written, nullptr) || written != length) {
            m_dwError = GetLastError() ? GetLastError() : ERROR_DISK_FULL;
            return false;
        }
        m_ullWritten += length;
        if (m_pSession && !m_pSession->ShowProgress(m_pszPath)) {
            m_bCancelled = true;
            return false;
        }
        return true;
    }

    DWORD m_dwError = 0;
    bool m_bCancelled = false;
    unsigned long long m_ullWritten = 0;

private:
    CInstallSession* m_pSession; // null: not to be cancelled
    HANDLE m_hFile;
    const char* m_pszPath;
};

CInstallSession::CInstallSession(CSinReader& reader, const CSmallString& folder, CSinProgressABC* progress)
    : m_reader(reader), m_strFolder(folder), m_pProgress(progress)
{
    m_setKnownFolders.SetBucketSize(1021);
}

EStepResult CInstallSession::Prepare()
{
    // From here the package is read front to back, its files written as
    // they come: decoding runs ahead on a thread of its own.
    m_reader.WrapDecoder(NewDecodeAhead);

    // What another run of this application (at the same time, or cut
    // short) made is no one's from before: it goes with the application.
    SRecoveryScope scope;
    m_reader.GetInstallItem(Setting::AppName, scope.strName);
    scope.strApp = GetUninstallKeyName(m_reader);
    m_arrOthers = GetCreatedByOtherRuns(scope, m_journal.GetFolder());
    m_bFolderExisted = IsFolder(m_strFolder) && !IsOthers(m_strFolder, false);

    // An earlier installation into this folder: what it created stays ours.
    const CSmallString earlierLog = m_strFolder + "uninstall.dat";
    m_journal.NoteSeen(earlierLog);
    if (m_bFolderExisted && FileExists(earlierLog)) {
        // Elevated, the record that counts is the copy only administrators
        // can write: the one in a folder users may write could name anything
        // as the installation's, and this installation's record (kept for
        // administrators in turn) would take it over.
        CSmallString source = earlierLog;
        if (IsProcessElevated() && !IsPerUser()) {
            CSmallString entryKey;
            unsigned long view = 0;
            source = FindLogCopy(m_strFolder, entryKey, view);
            if (!IsLogCopyPath(source)) {
                LogLine("The earlier installation's log in %s is not followed: no copy kept for administrators "
                        "names it",
                        earlierLog.GetText());
                source.Empty();
            }
        }
        WIN32_FILE_ATTRIBUTE_DATA info;
        const CReleasePtr<CXMLDocument> log(source.IsEmpty() ? nullptr : CXMLDocument::Load(source));
        m_bHasEarlier = log && m_earlier.ReadFrom(log->FindNode(Section::Uninstall)) &&
                        WinPath::IsSameOrInside(m_earlier.GetFolder(), WinPath::Normalise(m_strFolder)) &&
                        WinPath::IsSameOrInside(WinPath::Normalise(m_strFolder), m_earlier.GetFolder()) &&
                        GetFileAttributesExA(source, GetFileExInfoStandard, &info);
        if (m_bHasEarlier) {
            m_ftEarlier = info.ftLastWriteTime;
            LogLine("An earlier installation's record was found in %s", source.GetText());
        }
    }

    CSmallString log;
    if (!m_reader.GetInstallItem(Setting::Uninstaller, log) || log.IsEmpty())
        return StepDone;
    // The uninstaller refuses a log that isn't whole: find out now, before
    // anything is installed that could then never be removed.
    SXMLProblem problem;
    if (!CheckXMLWellFormed(log, (unsigned)log.GetLength(), false, problem)) {
        CSmallString why, appName, message;
        why.Format("line %u, column %u: %s", problem.uLine, problem.uColumn, problem.szMessage);
        m_reader.GetInstallItem(Setting::AppName, appName);
        message.Format(CResString(IDS_BAD_UNINSTALL_SCRIPT), why.GetText(), appName.GetText());
        Error(message);
        return StepFailed;
    }
    const CReleasePtr<CXMLDocument> doc(CXMLDocument::LoadFromMemory(log, (unsigned)log.GetLength()));
    if (doc)
        NoteTargets(doc->FindNode(Section::Uninstall));
    return StepDone;
}

void CInstallSession::NoteTargets(const CXMLNode* section)
{
    for (unsigned i = 0; section && i < section->GetChildCount(); i++) {
        const CXMLNode* command = section->GetChild(i);
        if (Mb::ICmp(command->GetName(), Command::RemoveFolder) == 0) {
            CSmallString path(command->GetAttributeValue(Attr::RemoveFolder::Path));
            m_reader.TranslatePath(path);
            if (!WinPath::Normalise(path).IsEmpty())
                m_targets.AddTarget(path, false, DoesFileExist(path) && !IsOthers(path, false));
        } else if (Mb::ICmp(command->GetName(), Command::RemoveRegKey) == 0 &&
                   !command->GetAttributeValue(Attr::RemoveRegKey::Name)) {
            const char* key = command->GetAttributeValue(Attr::RemoveRegKey::Section);
            CSmallString subkey;
            if (const HKEY root = SplitRegistryKey(key, subkey)) {
                CRegKey open;
                m_targets.AddTarget(CSmallString(key), true,
                                    open.Open(root, subkey, KEY_READ) == ERROR_SUCCESS && !IsOthers(key, true));
            }
        }
    }
}

bool CInstallSession::IsOthers(const CSmallString& pathOrKey, bool isKey) const
{
    static const char s_szClasses[] = "HKEY_CLASSES_ROOT\\",
                      s_szMachineClasses[] = "HKEY_LOCAL_MACHINE\\Software\\Classes\\";
    // What lies in a folder or below a key another run made, it made too.
    for (unsigned i = 0; i < m_arrOthers.GetSize(); i++) {
        if (!isKey) {
            const CSmallString other = WinPath::Normalise(m_arrOthers[i]), path = WinPath::Normalise(pathOrKey);
            if (!other.IsEmpty() && !path.IsEmpty() && WinPath::IsSameOrInside(path, other))
                return true;
            continue;
        }
        // File types are written through HKEY_CLASSES_ROOT, removed by their
        // machine-wide name.
        CSmallString other = m_arrOthers[i];
        if (other.Mid(0, (int)sizeof(s_szClasses) - 1).IsSameNoCase(s_szClasses))
            other = CSmallString(s_szMachineClasses) + other.Mid((int)sizeof(s_szClasses) - 1, other.GetLength());
        if (pathOrKey.IsSameNoCase(other) ||
            (pathOrKey.GetLength() > other.GetLength() && pathOrKey.GetAt(other.GetLength()) == '\\' &&
             pathOrKey.Mid(0, other.GetLength()).IsSameNoCase(other)))
            return true;
    }
    return false;
}

bool CInstallSession::KeepGoing() { return !m_pProgress || m_pProgress->OnWorking(); }

bool CInstallSession::CreateFolders(const CSmallString& path, DWORD& error)
{
    const CSmallString folder = WinPath::Normalise(path);
    if (folder.IsEmpty()) {
        error = ERROR_BAD_PATHNAME;
        return false;
    }
    if (m_setKnownFolders.FindValue(folder))
        return true;
    // From the root down: each missing folder is made and journaled.
    const int root = WinPath::RootLength(folder);
    for (int end = root; end <= folder.GetLength(); end++) {
        if (end < folder.GetLength() && folder.GetAt(end) != '\\')
            continue;
        const CSmallString prefix = folder.Mid(0, end);
        if (end == root || m_setKnownFolders.FindValue(prefix))
            continue;
        const DWORD attributes = GetFileAttributesA(prefix);
        bool made = false;
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            m_journal.BeforeFolder(prefix);
            made = CreateDirectoryA(prefix, nullptr) != FALSE;
            if (!made && GetLastError() != ERROR_ALREADY_EXISTS) {
                error = GetLastError();
                return false;
            }
            m_journal.AddFolder(prefix);
            LogLine("Folder created: %s", prefix.GetText());
        } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            error = ERROR_DIRECTORY; // a file stands where the folder must be
            return false;
        }
        m_setKnownFolders.SetAt(prefix, made);
    }
    return true;
}

bool CInstallSession::ShowProgress(const char* file)
{
    if (!m_pProgress)
        return true;
    unsigned long long done = 0, total = 0;
    m_reader.GetPackagePosition(done, total);
    m_pProgress->OnProgress(done, total, file);
    return m_pProgress->OnWorking();
}

namespace {

// Why name can't be written into dest, or null.
const char* WhyNotItemName(const CSmallString& name, const CSmallString& dest)
{
    const char* why = WinPath::WhyNotPlainName(name);
    // A folder cut at a NUL would put the file somewhere else.
    if (!why && (int)strlen(dest) != dest.GetLength())
        why = "the destination folder contains a NUL character";
    return why;
}

// The folder dest names, as the files go into it.
CSmallString ItemFolder(const CSmallString& expandedDest)
{
    return ToNativeSystemPath(WinPath::Normalise(expandedDest));
}

CSmallString ItemPath(const CSmallString& folder, const CSmallString& name)
{
    return folder + (folder.GetAt(folder.GetLength() - 1) == '\\' ? "" : "\\") + name;
}

} // namespace

void CInstallSession::PlanItems(const Container::CArray<CSmallString>& names, const CSmallString& dest)
{
    const CSmallString folder = ItemFolder(ExpandEnvironment(dest));
    DWORD error = 0;
    // A dest cut at a NUL is refused by WriteItem before it makes any folder.
    if (names.IsEmpty() || (int)strlen(dest) != dest.GetLength() || !CreateFolders(folder, error))
        return;
    // Only where nothing stood: in a folder this run made.
    const bool* made = m_setKnownFolders.FindValue(WinPath::Normalise(folder));
    if (!made || !*made)
        return;
    Container::CArray<CSmallString> paths;
    for (unsigned i = 0; i < names.GetSize(); i++)
        if (!WhyNotItemName(names[i], dest))
            paths.Add(ItemPath(folder, names[i]));
    m_journal.PlanFiles(paths);
    // A thread's start is worth it only over several files.
    if (paths.GetSize() >= 4)
        m_ahead.Start(paths);
}

EStepResult CInstallSession::WriteItem(unsigned id, const CSmallString& name, const CSmallString& dest)
{
    if (const char* why = WhyNotItemName(name, dest)) {
        CSmallString message;
        message.Format(CResString(IDS_BAD_FILE_NAME), name.GetText(), why);
        Error(message);
        return StepFailed;
    }
    const CSmallString expanded = ExpandEnvironment(dest);
    const CSmallString folder = ItemFolder(expanded);
    DWORD error = 0;
    if (!CreateFolders(folder, error)) {
        TellWriteFailed(folder.IsEmpty() ? expanded : folder, error);
        return StepFailed;
    }
    const CSmallString path = ItemPath(folder, name);

    // One create in the usual case; a file in the way is set aside first.
    CSmallString backup;
    CAutoHandle file;
    for (;;) {
        m_journal.BeforeFile(path, backup);
        const HANDLE made = backup.IsEmpty() ? m_ahead.Take(path) : INVALID_HANDLE_VALUE;
        file.Reset(made != INVALID_HANDLE_VALUE
                       ? made
                       : CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.IsValid())
            break;
        error = GetLastError();
        if ((error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) && backup.IsEmpty() && !IsFolder(path) &&
            m_journal.SetAside(path, backup, error))
            continue;
        if (IsInUse(error) && !IsFolder(path)) {
            LogLine("In use: %s: %s", path.GetText(), GetLastErrorString((int)error).GetText());
            const EInUseAnswer answer = AskFileInUse(path, error);
            if (answer == InUseRetry)
                continue;
            if (answer == InUseAtRestart)
                return WriteAtRestart(id, path);
            // Unattended there was nobody to ask: a file in use, not a cancel.
            return IsUnattended() ? StepFileInUse : StepCancelled;
        }
        TellWriteFailed(path, error);
        return StepFailed;
    }
    m_journal.NoteMade(path, file, false);
    m_journal.AddFile(path, backup);
    const EStepResult written = CopyItemInto(id, path, file);
    if (written == StepDone)
        LogLine("File written: %s (%llu bytes%s)", path.GetText(), m_ullLastItem, backup.IsEmpty() ? "" : ", replaced");
    return written;
}

CInstallSession::EInUseAnswer CInstallSession::AskFileInUse(const CSmallString& path, DWORD error)
{
    const CSmallString reason = GetLastErrorString((int)error);
    CSmallString question;
    if (!MayFinishAtRestart(m_reader)) {
        question.Format(CResString(IDS_FILE_IN_USE), path.GetText(), reason.GetText());
        return KxMessageBox(nullptr, question, GetInstallerCaption(m_reader), MB_RETRYCANCEL | MB_ICONWARNING) ==
                       IDRETRY
                   ? InUseRetry
                   : InUseCancel;
    }
    // Chosen already for the programs that hold the files, or nobody to ask.
    if (IsFinishAtRestartChosen() || IsUnattended())
        return InUseAtRestart;
    question.Format(CResString(IDS_FILE_IN_USE_AT_RESTART), path.GetText(), reason.GetText());
    switch (KxMessageBox(nullptr, question, GetInstallerCaption(m_reader), MB_CANCELTRYCONTINUE | MB_ICONWARNING)) {
    case IDTRYAGAIN:
        return InUseRetry;
    case IDCONTINUE:
        return InUseAtRestart;
    }
    return InUseCancel;
}

EStepResult CInstallSession::WriteAtRestart(unsigned id, const CSmallString& path)
{
    // The new file waits beside the one in use, on its volume, and takes
    // its place at restart. The undo removes it; a restart that then finds
    // no file to move leaves the old one as it is.
    const CSmallString waiting = path + ".kx-restart";
    DeleteFileName(waiting);
    m_journal.BeforeFile(waiting, CSmallString());
    CAutoHandle file(CreateFileA(waiting, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        TellWriteFailed(waiting, GetLastError());
        return StepFailed;
    }
    m_journal.NoteMade(waiting, file, false);
    const EStepResult written = CopyItemInto(id, waiting, file);
    if (written != StepDone)
        return written;
    if (!ReplaceAtRestart(waiting, path)) {
        const DWORD error = GetLastError();
        if (IsUnattended())
            return StepFileInUse;
        TellWriteFailed(path, error);
        return StepFailed;
    }
    // The installation's file, by the name it will have.
    m_journal.AddFile(path, CSmallString());
    return StepDone;
}

EStepResult CInstallSession::CopyItemInto(unsigned id, const CSmallString& path, CAutoHandle& file)
{
    // Straight from the package into the file, a piece at a time.
    CFileSink sink(this, file, path);
    if (!ShowProgress(path))
        return StepCancelled;
    if (!m_reader.CopyItem(id, sink)) {
        if (sink.m_bCancelled)
            return StepCancelled;
        file.Close();
        if (sink.m_dwError)
            TellWriteFailed(path, sink.m_dwError);
        else
            TellPackageDamaged(m_reader.GetLastFailure());
        return StepFailed;
    }
    m_journal.NoteMade(path, file, true);
    if (!file.CloseChecked()) {
        TellWriteFailed(path, GetLastError());
        return StepFailed;
    }
    m_ullLastItem = sink.m_ullWritten;
    m_ullBytes += sink.m_ullWritten;
    return StepDone;
}

bool CInstallSession::WriteFileWhole(const CSmallString& path, const void* data, unsigned size, CSmallString& why)
{
    return WriteWhole(path, data, size, why);
}

bool CInstallSession::WriteUninstallerWhole(const CSmallString& path, CSmallString& why)
{
    return WriteWhole(path, nullptr, 0, why);
}

bool CInstallSession::WriteWhole(const CSmallString& path, const void* data, unsigned size, CSmallString& why)
{
    const CSmallString temp = path + ".kx-new";
    DWORD error = 0;
    unsigned long long written = 0;
    {
        // A stale one goes by its own name (a link itself, never what it
        // points at); the file is then made new, never written through.
        DeleteFileName(temp);
        m_journal.BeforeFile(temp, CSmallString());
        CAutoHandle file(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid()) {
            error = GetLastError();
        } else {
            m_journal.NoteMade(temp, file, false);
            CFileSink sink(nullptr, file, temp);
            const bool copied = data ? sink.Begin(size) && sink.Take(static_cast<const unsigned char*>(data), size)
                                     : m_reader.CopyUninstaller(sink);
            written = sink.m_ullWritten;
            if (!copied)
                error = sink.m_dwError ? sink.m_dwError : ERROR_READ_FAULT;
            else if (!FlushFileBuffers(file))
                error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
            if (!error) {
                m_journal.NoteMade(temp, file, true);
                if (!file.CloseChecked())
                    error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
            }
        }
    }
    if (!error && !data)
        EndIfAsked("uninstaller");
    CSmallString backup;
    if (!error && DoesFileExist(path) && !m_journal.SetAside(path, backup, error))
        backup.Empty();
    if (!error) {
        m_journal.BeforeFile(path, backup);
        m_journal.NoteRenamed(temp, path);
    }
    if (!error && !MoveFileExA(temp, path, MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (!error) {
        m_journal.AddFile(path, backup);
        // Read back what is on the disk now: a short file must not pass.
        WIN32_FILE_ATTRIBUTE_DATA on;
        if (!GetFileAttributesExA(path, GetFileExInfoStandard, &on) ||
            (((unsigned long long)on.nFileSizeHigh << 32) | on.nFileSizeLow) != written)
            error = ERROR_WRITE_FAULT;
    }
    if (error) {
        DeleteFileName(temp);
        why = GetLastErrorString((int)error);
        return false;
    }
    m_ullBytes += written;
    LogLine("File written: %s (%llu bytes)", path.GetText(), written);
    return true;
}

void CInstallSession::NoteFile(const CSmallString& path, const CSmallString& backup)
{
    m_journal.NoteMade(path, nullptr, true);
    m_journal.AddFile(path, backup);
}

void CInstallSession::PlanKey(const CSmallString& key)
{
    CSmallString subkey;
    const HKEY root = SplitRegistryKey(key, subkey);
    CRegKey open;
    if (!root || open.Open(root, subkey, KEY_READ) == ERROR_SUCCESS)
        return;
    m_arrPlanned.SetSize(m_arrPlanned.GetSize() + 1);
    m_arrPlanned[m_arrPlanned.GetSize() - 1].eKind = SJournalEntry::Key;
    m_arrPlanned[m_arrPlanned.GetSize() - 1].strPath = key;
}

bool CInstallSession::KeepReplaced(const CSmallString& store, CSmallString& why)
{
    const Container::CArray<SJournalEntry>& entries = m_journal.GetEntries();
    const CSmallString folder = WinPath::Normalise(m_strFolder);
    const CSmallString uninstaller = WinPath::Normalise(m_strFolder + "uninstall.exe"),
                       log = WinPath::Normalise(m_strFolder + "uninstall.dat");
    Container::CMap<CSmallString, bool> written;
    CSmallString into = store;
    unsigned count = 0;
    for (unsigned i = 0; i < entries.GetSize(); i++) {
        const SJournalEntry& entry = entries[i];
        if (entry.eKind != SJournalEntry::File && entry.eKind != SJournalEntry::Shortcut)
            continue;
        const CSmallString path = WinPath::Normalise(entry.strPath);
        const bool first = !written.FindValue(path);
        written.SetAt(path, true);
        if (entry.strBackup.IsEmpty() || !first || entry.bDropped)
            continue;
        // What an earlier installation wrote is its own, and so is an
        // earlier uninstaller: replaced, not kept.
        if (m_bHasEarlier && (entry.eKind == SJournalEntry::File ? m_earlier.HasFile(path) : m_earlier.HasShortcut(path)))
            continue;
        if (entry.eKind == SJournalEntry::File && (!WinPath::IsSameOrInside(path, folder) ||
                                                   WinPath::IsSameOrInside(path, uninstaller) ||
                                                   WinPath::IsSameOrInside(path, log))) {
            if (!WinPath::IsSameOrInside(path, folder))
                LogLine("Replaced the existing file %s: not kept, as the uninstaller leaves the files outside the "
                        "installation's folder",
                        path.GetText());
            continue;
        }
        if (into.IsEmpty()) {
            m_strUserKept = CreateUserKeptFolder();
            if (m_strUserKept.IsEmpty()) {
                why = GetLastErrorString();
                return false;
            }
            m_journal.AddOwnFolder(m_strUserKept.Mid(0, m_strUserKept.GetLength() - 1));
            into = m_strUserKept;
        }
        CSmallString kept;
        kept.Format("%s%u", into.GetText(), ++count);
        m_journal.KeepBackup(i, kept);
    }
    return true;
}

void CInstallSession::ForgetKept()
{
    for (unsigned i = 0; i < m_journal.GetEntries().GetSize(); i++)
        m_journal.KeepBackup(i, CSmallString());
    if (!m_strUserKept.IsEmpty())
        RemoveDirectoryA(m_strUserKept);
}

void CInstallSession::BuildRecord(CInstallRecord& record) const
{
    record.SetFolder(m_strFolder, m_bFolderExisted);
    record.AddJournal(m_journal.GetEntries());
    record.AddJournal(m_arrPlanned);
    // Put back at uninstall only while it holds what the installation left;
    // removed by a later upgrade that no longer writes it only then too.
    const Container::CArray<CSmallString> changed = record.GetValues();
    for (unsigned i = 0; i < changed.GetSize(); i++) {
        const int cut = changed[i].Find(CSmallString("\n"));
        const CSmallString key = changed[i].Mid(0, cut), name = changed[i].Mid(cut + 1, changed[i].GetLength());
        CSmallString subkey;
        const HKEY root = SplitRegistryKey(key, subkey);
        if (!root)
            continue;
        const SRegistryBefore now = CaptureRegistry(root, "", subkey, name);
        if (now.bExisted)
            record.SetValueWritten(key, name, now.dwType, now.arrData);
    }
    // The uninstall log itself is written once the record is complete.
    Container::CArray<SJournalEntry> log;
    log.SetSize(1);
    log[0].eKind = SJournalEntry::File;
    log[0].strPath = m_strFolder + "uninstall.dat";
    record.AddJournal(log);
    record.Merge(m_targets);
    if (m_bHasEarlier)
        record.Merge(m_earlier);
    for (unsigned i = 0; i < m_arrChanged.GetSize(); i++)
        record.ForgetFile(m_arrChanged[i]);
    // What another run of the application made and this one found: the
    // application's, to go with it.
    Container::CArray<SJournalEntry> others;
    for (unsigned i = 0; i < m_arrOthers.GetSize(); i++) {
        CSmallString subkey;
        CRegKey key;
        const HKEY root = SplitRegistryKey(m_arrOthers[i], subkey);
        if (root ? key.Open(root, subkey, KEY_READ) != ERROR_SUCCESS : !IsFolder(m_arrOthers[i]))
            continue;
        others.SetSize(others.GetSize() + 1);
        others[others.GetSize() - 1].eKind = root ? SJournalEntry::Key : SJournalEntry::Folder;
        others[others.GetSize() - 1].strPath = m_arrOthers[i];
    }
    record.AddJournal(others);
}

namespace {

// The setting in the log says value; it is added where it is missing unless
// the value is the default.
void RecordSetting(CXMLNode* section, const char* name, const char* value, bool notDefault)
{
    CXMLNode* setting = section->FindNode(name);
    if (!setting && !notDefault)
        return;
    CReleasePtr<CXMLNode> created;
    if (!setting)
        created.Reset(setting = section->CreateNewChild(name));
    setting->SetText(value);
}

// Chosen for the user alone, the log (written for every user, as kxpack
// generates it for scope choose) removes the entry, the classes and App
// Paths where this installation put them, and nothing else machine-wide:
// the installation wrote nothing there.
void MoveRemovalsToUser(CXMLNode* section)
{
    for (unsigned i = 0; i < section->GetChildCount();) {
        CXMLNode* command = section->GetChild(i);
        const char* key = command->GetAttributeValue(Attr::RemoveRegKey::Section);
        CSmallString moved;
        if (Mb::ICmp(command->GetName(), Command::RemoveRegKey) != 0 || !key ||
            Mb::NbICmp(key, "HKEY_LOCAL_MACHINE\\", 19) != 0) {
            i++;
        } else if (RegistryKeyPath::MapToUserKey(key, moved)) {
            command->SetAttribute(Attr::RemoveRegKey::Section, moved);
            i++;
        } else {
            section->RemoveNode(command);
        }
    }
}

} // namespace

bool CInstallSession::ComposeUninstallLog(const CSmallString& text, CSmallString& out) const
{
    out = text;
    // The log is written out with a mark where the record goes, and its
    // document is gone before the record is built: the two are never in
    // memory as nodes together.
    static const char kMark[] = "<kx-install-record-here />\r\n";
    CCharArray composed;
    {
        const CReleasePtr<CXMLDocument> doc(CXMLDocument::LoadFromMemory(text, (unsigned)text.GetLength(), true));
        CXMLNode* section = doc ? doc->FindNode(Section::Uninstall) : nullptr;
        if (!section)
            return false;
        // The uninstaller and later upgrades use the registry view and the
        // shortcut folders this installation used, whatever the log says.
        RecordSetting(section, Setting::Architecture, GetArchitectureName(GetApplicationArchitecture()),
                      IsApplication64Bit());
        RecordSetting(section, Setting::Scope, GetScopeName(GetInstallScope()), GetInstallScope() != ScopeUnset);
        // The uninstaller speaks the language the installation spoke.
        RecordLanguage(m_reader.FindSection(), section);
        if (IsScopeChoosable() && IsPerUser())
            MoveRemovalsToUser(section);
        const CReleasePtr<CXMLNode> mark(section->CreateNewChild("kx-install-record-here"));
        composed.AppendText("<?xml version=\"1.0\"?>\r\n");
        doc->SavePrettyToCharArray(composed, 0);
    }
    const unsigned markLength = sizeof(kMark) - 1;
    unsigned at = composed.GetSize() >= markLength ? composed.GetSize() - markLength + 1 : 0;
    while (at-- > 0 && memcmp(composed.GetData() + at, kMark, markLength) != 0) {
    }
    if (at == (unsigned)-1)
        return false;
    unsigned depth = 0;
    while (depth < at && composed[at - depth - 1] == '\t')
        depth++;

    CCharArray record;
    {
        CInstallRecord built;
        BuildRecord(built);
        built.WriteStartText(record, depth);
        built.WriteItemsText(record, depth + 1);
        built.WriteEndText(record, depth);
    }
    const unsigned before = at - depth, after = composed.GetSize() - at - markLength;
    const unsigned total = before + record.GetSize() + after;
    if (total > 0x7FFFFFFF)
        throw std::bad_alloc();
    out.Empty();
    char* p = out.GetBufferSetLength((int)total);
    memcpy(p, composed.GetData(), before);
    memcpy(p + before, record.GetData(), record.GetSize());
    memcpy(p + before + record.GetSize(), composed.GetData() + at + markLength, after);
    return true;
}

void CInstallSession::Rollback()
{
    m_ahead.Stop();
    m_journal.Rollback();
}

void CInstallSession::Commit()
{
    m_ahead.Stop();
    m_journal.Commit();
}
