// What an installation has changed so far: undone in reverse order when it
// fails or is cancelled, and once it succeeds, the record that tells the
// uninstaller what the installation created.
#pragma once

#include <windows.h>

#include "FileIdentity.h"
#include "Containers.h"
#include "JournalText.h"
#include "Registry.h"
#include "RunJournal.h"
#include "SmallString.h"

struct SJournalEntry
{
    enum EKind
    {
        File,     // written; strBackup holds the file it replaced, if any
        Folder,   // created
        Key,      // created (with everything below it)
        Value,    // written; the state before is kept for the undo
        Shortcut, // written, like a file
        Dll,      // registered
    };
    EKind eKind = File;
    // File, folder or link path; for Key and Value the key as
    // "HKEY_LOCAL_MACHINE\Software\...".
    CSmallString strPath;
    CSmallString strName;   // Value: its name ("" for the default value)
    CSmallString strBackup; // File, Shortcut: the replaced file, set aside
    CSmallString strKept;   // where Commit keeps it for the uninstaller; empty: dropped
    bool bExisted = false;  // Value: there was one before
    bool bOwn = false;      // Folder: the program's own (the log's copy, kept files): undone, not recorded
    bool bDropped = false;  // File: removed (set aside) by an upgrade, not written
    DWORD dwType = 0;
    Container::CArray<unsigned char> arrData;
};

// One change as the journal announced it, before it was made: what the
// undo needs to take it back, and to take back only what is still as this
// run left it.
struct SUndoStep
{
    SJournalEntry::EKind eKind = SJournalEntry::File; // never Shortcut: a file like any other
    CSmallString strPath; // as SJournalEntry's
    CSmallString strName; // Value: its name
    // File: where the file that was there went (in the run folder), or empty.
    CSmallString strBackup;
    // File: the file made, once made; its size once written whole.
    bool bMade = false, bSized = false;
    // File: announced ahead with others (PlanFiles), at a path where nothing stood.
    bool bPlanned = false;
    DWORD dwVolume = 0, dwIndexHigh = 0, dwIndexLow = 0;
    unsigned long long ullSize = 0;
    // Value: its state before, and what the write left, once written.
    bool bExisted = false, bWritten = false, bWrittenExists = false;
    DWORD dwType = 0, dwWrittenType = 0;
    Container::CArray<unsigned char> arrData, arrWritten;
};

// A registry value as it was before a write, and the first key on its path
// that did not exist then.
struct SRegistryBefore
{
    HKEY hRoot = nullptr;
    CSmallString strKey; // formatted, with the root's name
    CSmallString strSubKey;
    CSmallString strName;
    CSmallString strMissing; // formatted; empty when the key existed
    bool bExisted = false;
    DWORD dwType = 0;
    Container::CArray<unsigned char> arrData;
};

class CInstallJournal
{
public:
    CInstallJournal() {}
    ~CInstallJournal();
    CInstallJournal(const CInstallJournal&) = delete;
    CInstallJournal& operator=(const CInstallJournal&) = delete;

    // Before the first change: the journal on the disk, in a new run folder
    // (RunJournal.h). Throws when it can't be kept.
    void Begin(const SRunHeader& header);

    // Moves the file at path into the journal's private folder (a run
    // folder, see Security.h), so that a new one can take its place and the
    // old one can come back; announced in the journal first. False with the
    // system's error code when it can't be moved (in use, no access).
    bool SetAside(const CSmallString& path, CSmallString& backup, DWORD& error);

    // Each of these is on the disk before the change it announces is made.
    // A file about to be made new at path; backup: where the file that was
    // there went (SetAside), or empty.
    void BeforeFile(const CSmallString& path, const CSmallString& backup);
    // The files about to be made new at paths, announced ahead with one
    // flush for all: paths where nothing stood before the run (in a folder
    // it made; a file of its own there is set aside first, announced on its
    // own). BeforeFile then adds nothing to the disk for them. A run cut
    // short is taken back as if each had been announced alone: an empty
    // one never noted goes, as the one being made when the run ended was
    // still empty.
    void PlanFiles(const Container::CArray<CSmallString>& paths);
    void BeforeFolder(const CSmallString& path);
    void BeforeDll(const CSmallString& path);
    // A write to the value captured in before, and the keys it will create.
    void BeforeValue(const SRegistryBefore& before);
    // A value this run sets, whether or not that changes it (then it isn't
    // journaled): an upgrade keeps the earlier version's when this one sets
    // it alike. Ids as CInstallRecord::ValueId.
    void NoteValueSet(const CSmallString& key, const char* name);
    bool IsValueSet(const CSmallString& valueId) const { return m_setValuesSet.FindValue(valueId) != nullptr; }
    // The file just made at path (file: open on it; null: opened by its
    // path), so that the undo removes it only while it is still that file.
    // whole: written to its end, its size known.
    void NoteMade(const CSmallString& path, HANDLE file, bool whole);
    // The file noted as made at from is about to be renamed to the file
    // announced at to: the same file, by its identity.
    void NoteRenamed(const CSmallString& from, const CSmallString& to);
    // From here on the run is finished, never undone: an interrupted
    // commit is completed by the next run.
    void MarkCommitted();
    // The copy of an earlier uninstall log (LogCopy.h) that goes once the
    // run has committed.
    void NoteDropOnCommit(const CSmallString& logCopy);
    // The installation's uninstall log at path as this run finds it (or its
    // absence), before the run writes anything.
    void NoteSeen(const CSmallString& path);

    void AddFile(const CSmallString& path, const CSmallString& backup);
    void AddShortcut(const CSmallString& path, const CSmallString& backup);
    // A file set aside (SetAside) to go for good at commit: one an earlier
    // installation made that this one doesn't. Not recorded as written.
    void AddDropped(const CSmallString& path, const CSmallString& backup);
    void AddFolder(const CSmallString& path);
    // A folder the program made for its own files, which the record
    // doesn't list (an upgrade would list each one again).
    void AddOwnFolder(const CSmallString& path);
    void AddDll(const CSmallString& path);
    // After a write to the value captured in before: records the keys the
    // write created and, when written, the value with its old state.
    void AddRegistry(const SRegistryBefore& before, bool written);

    // Undoes everything announced, newest first (UndoSteps). Never fails
    // as a whole: what can't be undone is logged and left.
    void Rollback();
    // At Commit, the file entry index set aside goes to kept rather than
    // away (empty: away, as it would).
    // Where the file set aside for entry index goes once committed (empty:
    // it goes), written ahead so that a run cut short there keeps it too.
    void KeepBackup(unsigned index, const CSmallString& kept);
    // Keeps everything; the files set aside go where KeepBackup said, the
    // others are dropped.
    void Commit();

    const Container::CArray<SJournalEntry>& GetEntries() const { return m_arrEntries; }
    // The run folder of the journal on the disk (empty before Begin).
    const CSmallString& GetFolder() const { return m_run.GetFolder(); }

private:
    SJournalEntry& Add(SJournalEntry::EKind kind, const CSmallString& path);
    SUndoStep& Announce(SJournalEntry::EKind kind, const CSmallString& path);
    void WriteMade(const SUndoStep& step);
    void RemoveBackupFolder();

    Container::CArray<SJournalEntry> m_arrEntries;
    Container::CArray<SUndoStep> m_arrSteps; // as the journal on the disk holds them
    SUndoStep m_seen;
    Container::CMap<CSmallString, bool> m_setValuesSet;
    Container::CMap<CSmallString, bool> m_setPlanned; // announced by PlanFiles, not yet by BeforeFile
    CRunJournal m_run;
    CFileIdentities m_identities;
    unsigned m_uBackups = 0;
    bool m_bToldBackups = false;
};

// Takes back steps, newest first: a file only while it is still the one
// made (its volume, index and size), a value only while it holds what was
// written, a created key only once nothing is left in it, a created folder
// only when empty; a file set aside comes back where nothing else took its
// place since. seen: the installation's uninstall log as the run found it
// (NoteSeen); another one there now, not the run's own, was written by a
// newer installation of the application, whose values and keys these may
// be (written alike can't be told apart): those are left. What is left for
// these reasons is logged. recovering: the steps were read back from the
// journal of a run that was cut short (its last file may have been made but
// not yet noted).
void UndoSteps(const Container::CArray<SUndoStep>& steps, const SUndoStep& seen, bool recovering);
// The files and registry values the last UndoSteps could not take back.
const Container::CArray<CSmallString>& GetNotUndone();

// The steps a journal's lines announce (its folder: where its files were
// set aside), what it saw (NoteSeen) and whether its run had begun to commit.
void ReadUndoSteps(const Container::CArray<JournalText::CFields>& lines, const CSmallString& folder,
                   Container::CArray<SUndoStep>& steps, SUndoStep& seen, bool& committed);

// The value's state now (see SRegistryBefore); name null or "" is the
// default value.
SRegistryBefore CaptureRegistry(HKEY root, const char* rootName, const char* subkey, const char* name);
// A captured string value's text, up to its NUL; empty for anything else.
CSmallString RegistryText(const SRegistryBefore& value);
