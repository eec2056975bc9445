// What an installation has changed so far: undone in reverse order when it
// fails or is cancelled, and once it succeeds, the record that tells the
// uninstaller what the installation created.
#pragma once

#include <windows.h>

#include "Containers.h"
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
    DWORD dwType = 0;
    Container::CArray<unsigned char> arrData;
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

    // Moves the file at path into the journal's private folder (a run
    // folder, see Security.h), so that a new one can take its place and the
    // old one can come back. False with the system's error code when it
    // can't be moved (in use, no access).
    bool SetAside(const CSmallString& path, CSmallString& backup, DWORD& error);

    void AddFile(const CSmallString& path, const CSmallString& backup);
    void AddShortcut(const CSmallString& path, const CSmallString& backup);
    void AddFolder(const CSmallString& path);
    // A folder the program made for its own files, which the record
    // doesn't list (an upgrade would list each one again).
    void AddOwnFolder(const CSmallString& path);
    void AddDll(const CSmallString& path);
    // After a write to the value captured in before: records the keys the
    // write created and, when written, the value with its old state.
    void AddRegistry(const SRegistryBefore& before, bool written);

    // Undoes everything, newest first. Never fails as a whole: what can't
    // be undone is logged and left.
    void Rollback();
    // At Commit, the file entry index set aside goes to kept rather than
    // away (empty: away, as it would).
    void KeepBackup(unsigned index, const CSmallString& kept) { m_arrEntries[index].strKept = kept; }
    // Keeps everything; the files set aside go where KeepBackup said, the
    // others are dropped.
    void Commit();

    const Container::CArray<SJournalEntry>& GetEntries() const { return m_arrEntries; }

private:
    SJournalEntry& Add(SJournalEntry::EKind kind, const CSmallString& path);
    void RemoveBackupFolder();

    Container::CArray<SJournalEntry> m_arrEntries;
    CSmallString m_strBackupFolder; // created on first use; ends with a backslash
    unsigned m_uBackups = 0;
};

// The root handle and subkey of "HKEY_LOCAL_MACHINE\...", "HKEY_CURRENT_USER\..."
// or "HKEY_CLASSES_ROOT\..."; null for anything else.
HKEY SplitRegistryKey(const char* key, CSmallString& subkey);

// The value's state now (see SRegistryBefore); name null or "" is the
// default value.
SRegistryBefore CaptureRegistry(HKEY root, const char* rootName, const char* subkey, const char* name);
