// One installation in progress: the journal of what it changed, the
// folders it has made sure of, the way back when it fails or is cancelled,
// and the record it leaves for the uninstaller.
#pragma once

#include <windows.h>

#include "Containers.h"
#include "FilesAhead.h"
#include "InstallRecord.h"
#include "Journal.h"
#include "SmallString.h"

class CAutoHandle;

class CSinProgressABC;
class CSinReader;

enum EStepResult : int
{
    StepDone,
    StepFailed,    // the user has been told; the installation is undone
    StepCancelled, // the user asked to stop
    StepFileInUse, // unattended: a file in use, nobody to ask; undone
    StepInProgress, // another run of the application holds it; nothing done
};

// "The installer file is damaged", with why.
void TellPackageDamaged(const char* why);

class CInstallSession
{
public:
    CInstallSession(CSinReader& reader, const CSmallString& folder, CSinProgressABC* progress);
    CInstallSession(const CInstallSession&) = delete;
    CInstallSession& operator=(const CInstallSession&) = delete;

    // Before the first command: notes what exists already (the folder, an
    // earlier installation's record, what the uninstall log will remove)
    // and refuses an uninstall log the uninstaller could not run.
    EStepResult Prepare();

    // Writes item id as name into folder dest (environment references
    // expanded), setting a replaced file aside for the undo. A file in use
    // is asked about (Retry/Cancel, and where the run may, Continue: it is
    // replaced at the next restart); other failures are told.
    EStepResult WriteItem(unsigned id, const CSmallString& name, const CSmallString& dest);
    // The files that WriteItem is about to write as names into dest, one
    // after another: their folders made and, when this run made the folder
    // they go into, announced to the journal together. Only saves time;
    // WriteItem tells what fails.
    void PlanItems(const Container::CArray<CSmallString>& names, const CSmallString& dest);
    // Writes data to path whole or not at all: a temporary file, flushed,
    // then renamed into place and its size read back. False with the
    // system's reason.
    bool WriteFileWhole(const CSmallString& path, const void* data, unsigned size, CSmallString& why);
    // The same with the installer's own program (without its package).
    bool WriteUninstallerWhole(const CSmallString& path, CSmallString& why);
    // Every missing folder of path, created once per installation.
    bool CreateFolders(const CSmallString& path, DWORD& error);
    // A file some command wrote (install.log), announced to the journal
    // before it was written; backup: where the one it replaced went.
    void NoteFile(const CSmallString& path, const CSmallString& backup);
    // A key the installation will create after the record is written (the
    // Uninstall entry): recorded as created when it does not exist yet.
    void PlanKey(const CSmallString& key);

    // Between pieces of long work; false when the user asked to stop.
    bool KeepGoing();
    // Reports how far the package has been read (and the file being
    // written), then as KeepGoing.
    bool ShowProgress(const char* file);

    CInstallJournal& GetJournal() { return m_journal; }
    const CSmallString& GetFolder() const { return m_strFolder; }
    unsigned long long GetBytesWritten() const { return m_ullBytes; }

    // Before the record is built: each file and shortcut this installation
    // replaced that was not its own (an earlier installation's, or written
    // twice) is to be kept in store (ending with a backslash) for the
    // uninstaller to put back; with store empty, in a folder of the user's
    // made when one is needed. Files outside the installation's folder
    // are not kept: the uninstaller leaves what was written there. False
    // with why when no folder could be made.
    bool KeepReplaced(const CSmallString& store, CSmallString& why);
    // The uninstall log can't carry a record: nothing is kept.
    void ForgetKept();

    // The record of everything done, merged with an earlier installation's.
    void BuildRecord(CInstallRecord& record) const;
    // The uninstall log with the record in it; false when the script's log
    // can't carry one (it is then written as it is).
    bool ComposeUninstallLog(const CSmallString& text, CSmallString& out) const;

    // An upgrade: the files and shortcuts the earlier installation created
    // that this one did not write are set aside (gone at commit, back on
    // undo), each unless changed since the earlier installation ended (its
    // uninstall log's time): that one is left as the user's, and no longer
    // recorded as the installation's. Before the record is built.
    void RemoveDropped();
    // Whether the earlier installation here wrote the value (key as in the
    // journal).
    bool EarlierWroteValue(const CSmallString& key, const char* name) const
    {
        return m_bHasEarlier && m_earlier.HasValue(key, name);
    }
    // After commit: the folders and keys the earlier installation created
    // that are empty now.
    void RemoveEmptied() const;

    void Rollback();
    void Commit();

private:
    enum EInUseAnswer
    {
        InUseRetry,
        InUseCancel,
        InUseAtRestart,
    };
    EInUseAnswer AskFileInUse(const CSmallString& path, DWORD error);
    // The item written beside path, to replace it at the next restart.
    EStepResult WriteAtRestart(unsigned id, const CSmallString& path);
    // The item into file (just made at path), which it closes.
    EStepResult CopyItemInto(unsigned id, const CSmallString& path, CAutoHandle& file);
    void NoteTargets(const CXMLNode* log);
    // Made by another run of this application (GetCreatedByOtherRuns).
    bool IsOthers(const CSmallString& pathOrKey, bool isKey) const;
    bool WriteWhole(const CSmallString& path, const void* data, unsigned size, CSmallString& why);

    CSinReader& m_reader;
    CSmallString m_strFolder; // with its trailing backslash
    CSinProgressABC* m_pProgress;
    CInstallJournal m_journal;
    CFilesAhead m_ahead; // the planned files, made ahead
    Container::CMap<CSmallString, bool> m_setKnownFolders; // exist now; true: this run made it
    bool m_bFolderExisted = false;
    CInstallRecord m_earlier;   // what an earlier installation here recorded
    CInstallRecord m_targets;   // existence of what the uninstall log removes
    bool m_bHasEarlier = false;
    FILETIME m_ftEarlier = {};                       // when the earlier installation's log was written
    Container::CArray<CSmallString> m_arrChanged;    // its files changed since, left as the user's
    Container::CArray<CSmallString> m_arrDroppedKeys; // keys of its values removed
    void DropValues();
    Container::CArray<SJournalEntry> m_arrPlanned; // keys created after the record
    CSmallString m_strUserKept; // the user's folder KeepReplaced made
    Container::CArray<CSmallString> m_arrOthers;    // folders and keys other runs made
    unsigned long long m_ullBytes = 0;
    unsigned long long m_ullLastItem = 0; // bytes of the item CopyItemInto wrote last
};
