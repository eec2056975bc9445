// The uninstaller's hand: removes folders, shortcuts and registry entries
// that a log names, but only what the installation created (by its record,
// or for logs without one, inside its own folder), never a protected
// folder, another program's folder, a system key or another program's
// entry. Outside the installation's folder it removes only shortcuts and
// empty folders the installation created. It never follows a link, nor
// removes one: nothing is reached through a link, and a link is left in
// place and told. What it refuses or can't remove is listed for the user
// and the setup log.
#pragma once

#include "Containers.h"
#include "SmallString.h"
#include "WinPath.h"

class CInstallRecord;

// Once the kept file's program has ended: the file, then each folder that
// held it, up to the ones in folders.
void RemoveKeptFile(const CSmallString& file, const Container::CArray<CSmallString>& folders);

class CSafeRemover
{
public:
    // folder: the installation's folder; record: null for a log without one.
    CSafeRemover(const CSmallString& folder, const CInstallRecord* record);
    CSafeRemover(const CSafeRemover&) = delete;
    CSafeRemover& operator=(const CSafeRemover&) = delete;

    // A running program's own file (the uninstaller that waits for us):
    // left in place, with the folders that hold it, until RemoveKept.
    void SetKeepFile(const CSmallString& path) { m_strKeep = path; }

    // ifEmpty: only when nothing is in it at that moment (but, once the log
    // has removed it, the uninstaller's own file); otherwise, or when it was
    // there before the installation, it stays without a word to the user.
    void RemoveFolder(const CSmallString& path, bool ifEmpty = false);
    // One file: one the installation wrote (by its record; without one,
    // inside its folder), never a folder or a file of the Windows folder.
    void RemoveFile(const CSmallString& path);
    void RemoveShortcut(const char* folderName, const CSmallString& name);
    // The entry for folder in the Path value of key (the machine's or the
    // user's environment), when it is a folder of the installation's and
    // (with a record) the installation added it; the rest of PATH stays.
    void RemovePathEntry(const char* key, const CSmallString& folder);
    // valueName null: the key with everything below it; with ifEmpty, the
    // key only when it holds no values and no subkeys, as for folders.
    void RemoveRegistry(const char* section, const char* valueName, bool ifEmpty = false);

    // Whether the log removed the kept file (it is left until RemoveKeptFile)
    // and the folders it removed that hold it.
    bool IsKeptFileRemoved() const { return m_bKeptRemoved; }
    const Container::CArray<CSmallString>& GetKeptFolders() const { return m_arrKeptFolders; }

    // "what (why)" lines: what was left in place (refused, or kept because
    // it was there before), and what could not be removed.
    const Container::CArray<CSmallString>& GetRefused() const { return m_arrRefused; }
    const Container::CArray<CSmallString>& GetFailed() const { return m_arrFailed; }
    // How many removals the log asked for that it may not make: the
    // uninstall then ends as failed.
    unsigned GetViolationCount() const { return m_uViolations; }
    // A command of the log refused before it ran.
    void RefuseCommand(const CSmallString& command, const char* why) { Refuse(command, why); }
    // The record comes from the copy only administrators can write: what it
    // says the installation created is proof enough.
    void SetRecordTrusted(bool trusted) { m_bRecordTrusted = trusted; }
    // Files that can't be removed may go at the next restart (the run may:
    // MayFinishAtRestart): they are left to it rather than failed, and so
    // are the folders they alone keep from going (FinishFolders).
    void SetFinishAtRestart(bool allowed) { m_bAtRestart = allowed; }
    // Once the log has run: each folder it tried to remove that holds only
    // what goes at restart (and the uninstaller's own file) goes then too;
    // one that holds more fails as it would have.
    void FinishFolders();
    const Container::CArray<CSmallString>& GetLeftForRestart() const { return m_arrAtRestart; }
    // Folders the installation made that stay because they hold what it
    // didn't create (the user's files): no fault, but the user is told.
    const Container::CArray<CSmallString>& GetKeptFull() const { return m_arrKeptFull; }

    // Once the log has run: each file the installation replaced that did
    // not come back (the log left the installation's file, or it could not
    // be moved) is told, with where it is kept.
    void TellNotPutBack();

private:
    // The log asked for what it may not remove.
    void Refuse(const CSmallString& what, const char* why);
    // Left in place by the rules (there before the installation): told, no fault.
    void Keep(const CSmallString& what, const char* why);
    void Failed(const CSmallString& what, const char* why);
    // A file that stays: left to the restart where allowed, else failed.
    void CouldNotRemove(const CSmallString& path, const char* why);
    // A folder the log tried to remove that is not empty: kept, why (by
    // the rules), or with why null a failure.
    void NotEmpty(const CSmallString& folder, const char* why);
    void KeepFull(const CSmallString& folder, const char* why);
    bool GoesAtRestart(const CSmallString& path) const;
    // target (ResolveAllButLast's answer) lies in the installation's folder.
    bool IsInside(const CSmallString& target) const;
    // path, as the log spells it, names a place in the installation's folder.
    bool IsWrittenInside(const CSmallString& path) const
    {
        return WinPath::IsSameOrInside(WinPath::Normalise(path), WinPath::Normalise(m_strFolder));
    }
    // Told as left: links are never removed.
    void LeaveLink(const CSmallString& target);
    // Why the folder or file at target may never be removed (a drive, a
    // system, shared or personal folder, another program's), or null.
    const char* WhyNeverRemoved(const CSmallString& target) const;
    // Deletes it, or leaves it for RemoveKeptFile when it is the kept file.
    void DeleteOne(const CSmallString& path);
    void RemoveEmptyFolder(const CSmallString& path);
    void RemoveEmptyKey(const CSmallString& formatted, const CSmallString& subkey, bool isEntry, int kind,
                        const CSmallString& entry);
    // Whether the record says the installation created the key.
    bool CreatedKey(const CSmallString& formattedKey, const CSmallString& subkey) const;
    // Only what the record lists below folder.
    void RemoveRecordedContent(const CSmallString& folder);
    void RemoveRecordedKeys(const CSmallString& key);
    // Whether the entry (Uninstall, App Paths, a file type, a COM class)
    // belongs to this installation.
    // leadsOnlyHere, when given: whatever the record says, the entry leads
    // into our folder and nowhere else.
    bool OwnsEntry(int kind, const CSmallString& formattedKey, const CSmallString& subkey, const CSmallString& entry,
                   bool* leadsOnlyHere = nullptr);
    // The record's spelling of a key the log names (file types are written
    // through HKEY_CLASSES_ROOT and recorded so), or empty.
    static CSmallString ClassesSpelling(const CSmallString& formattedKey);
    bool RecordedValue(const CSmallString& formattedKey, const char* name) const;
    // Whether the record lists keys created or values changed below key.
    bool ChangedBelow(const CSmallString& formattedKey) const;
    // Once the installation's file at target (recorded as path) is gone:
    // the file it replaced comes back from where it is kept.
    void PutBack(const CSmallString& path, const CSmallString& target);
    // A value that was there before the installation: its earlier data
    // back, while it holds what the installation wrote (else it is left).
    // False when the record knows no earlier data: it goes as before.
    bool PutBackValue(const CSmallString& recordedKey, const char* name);
    bool MentionsFolder(const char* text) const;

    CSmallString m_strFolder;   // as the log gives it
    CSmallString m_strResolved; // ResolvePath of it
    const CInstallRecord* m_pRecord;
    bool m_bFolderLinked; // the folder is reached through a link now: not ours to empty
    Container::CArray<CSmallString> m_arrOtherPrograms; // their folders, resolved
    unsigned m_uViolations = 0;
    bool m_bRecordTrusted = false;
    CSmallString m_strKeep;
    bool m_bKeptRemoved = false;
    Container::CArray<CSmallString> m_arrKeptFolders; // to remove once the kept file is gone
    Container::CArray<CSmallString> m_arrRefused, m_arrFailed;
    bool m_bAtRestart = false;
    Container::CArray<CSmallString> m_arrAtRestart; // left to the next restart
    Container::CArray<CSmallString> m_arrKeptFull;  // made by the installation, holding more
    struct SFullFolder
    {
        CSmallString strPath;
        const char* pszKeptWhy; // null: a failure when it stays full
    };
    Container::CArray<SFullFolder> m_arrFullFolders; // tried, not empty: for FinishFolders
    Container::CMap<CSmallString, bool> m_setPutBack; // "f:" path or "v:" value id, once handled
};
