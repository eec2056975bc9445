// What an installation created, kept in its uninstall log as an
// <install-record> element of the uninstall section, so that uninstalling
// removes only that. Logs of older installers have no record; they run as
// they always did, within the guards.
#pragma once

#include "Containers.h"
#include "SmallString.h"
#include "WinPath.h"

class CCharArray;
class CXMLNode;
struct SJournalEntry;

// A registry value that was there before the installation wrote over it.
struct SValueBefore
{
    unsigned uType = 0;
    Container::CArray<unsigned char> arrData;
    // As the installation left it: only then is the earlier one put back.
    bool bWritten = false;
    unsigned uWrittenType = 0;
    Container::CArray<unsigned char> arrWritten;
};

class CInstallRecord
{
public:
    CInstallRecord();
    CInstallRecord(const CInstallRecord&) = delete;
    CInstallRecord& operator=(const CInstallRecord&) = delete;

    // Building, at the end of an installation.
    void SetFolder(const CSmallString& folder, bool existed);
    // Whether a folder or key that the uninstall log removes existed before
    // the installation (key paths formatted as "HKEY_LOCAL_MACHINE\...").
    void AddTarget(const CSmallString& pathOrKey, bool isKey, bool existed);
    // Files kept (SJournalEntry::strKept) are recorded as replaced, values
    // that existed before with their earlier type and data.
    void AddJournal(const Container::CArray<SJournalEntry>& entries);
    // What a value holds now that the installation is done (key formatted
    // as in the journal): for one that was there before, and for one the
    // installation created, so that a later upgrade can tell whether it is
    // still as the installation left it.
    void SetValueWritten(const CSmallString& key, const char* name, unsigned type,
                         const Container::CArray<unsigned char>& data);
    // Keeps what an earlier installation into the same folder recorded, so
    // that an upgrade still removes what the first one created and puts
    // back what was there before the first one (a value the earlier one
    // created is its own, whatever this one found in it).
    void Merge(const CInstallRecord& earlier);
    // The <install-record> element as the pretty writer lays it out, at
    // depth tabs: its start tag, its items (one level deeper) and its end.
    // Written as text, not as nodes: a record of many thousand files would
    // otherwise take several MB of nodes next to the script's own.
    void WriteStartText(CCharArray& out, unsigned depth) const;
    void WriteItemsText(CCharArray& out, unsigned depth) const;
    void WriteEndText(CCharArray& out, unsigned depth) const;

    // Reading, at uninstall. False when section holds no record.
    bool ReadFrom(const CXMLNode* section);
    // The record's element in an uninstall section.
    static const char* GetElementName();

    const CSmallString& GetFolder() const { return m_strFolder; }
    bool GetFolderExisted() const { return m_bFolderExisted; }
    // Known: the answer is in existed.
    bool GetTargetExisted(const CSmallString& pathOrKey, bool isKey, bool& existed) const;
    // Without regard to ASCII case, as Windows compares names.
    bool HasFile(const CSmallString& path) const;
    bool HasShortcut(const CSmallString& path) const;
    // The folder was created by the installation, or lies inside one that was.
    bool IsInCreatedFolder(const CSmallString& path) const;
    // The folder itself was created by the installation.
    bool HasFolder(const CSmallString& path) const { return Has(Folders, WinPath::Normalise(path)); }
    // The key was created by the installation, or lies below one that was.
    bool IsBelowCreatedKey(const CSmallString& key) const;
    bool HasValue(const CSmallString& key, const char* name) const;
    // The installation wrote a value into the key or one below it.
    bool HasValueIn(const CSmallString& key) const;
    // The file the installation replaced at path, where it is kept; null
    // when it replaced none there.
    const CSmallString* FindKept(const CSmallString& path) const;
    // The value as it was before the installation wrote it; null when it
    // did not exist then (or isn't the installation's).
    const SValueBefore* FindValueBefore(const CSmallString& key, const char* name) const;
    // A value the installation created, as it left it (bWritten and the
    // written fields); null when unknown (records of older installers).
    const SValueBefore* FindValueCreated(const CSmallString& id) const { return m_mapValuesCreated.FindValue(id); }
    // A file that is no longer the installation's (changed by the user
    // since, and left by an upgrade): no uninstall removes it as its own.
    void ForgetFile(const CSmallString& path);

    // Normalised paths (files, created folders) and formatted keys.
    const Container::CArray<CSmallString>& GetFiles() const { return m_lists[Files].arrItems; }
    const Container::CArray<CSmallString>& GetFolders() const { return m_lists[Folders].arrItems; }
    const Container::CArray<CSmallString>& GetShortcuts() const { return m_lists[Shortcuts].arrItems; }
    const Container::CArray<CSmallString>& GetKeys() const { return m_lists[Keys].arrItems; }
    const Container::CArray<CSmallString>& GetValues() const { return m_lists[Values].arrItems; } // "key\nname"
    // Normalised paths of the files and shortcuts that replaced one.
    const Container::CArray<CSmallString>& GetReplaced() const { return m_arrReplaced; }

private:
    // One list per kind of thing created, in the order of the record.
    enum EList
    {
        Folders,
        Files,
        Shortcuts,
        Keys,
        Dlls,
        Values,
        ListCount
    };
    struct SList
    {
        Container::CArray<CSmallString> arrItems;
        Container::CMap<CSmallString, bool> setItems; // the same, for lookups
    };

public:
    // "key\nname", as GetValues lists them.
    static CSmallString ValueId(const CSmallString& key, const char* name);

private:
    void Add(EList list, const CSmallString& item);
    void ReadValue(const CXMLNode* item);
    bool Has(EList list, const CSmallString& item) const { return m_lists[list].setItems.FindValue(item) != nullptr; }

    CSmallString m_strFolder;
    bool m_bFolderExisted = false;
    SList m_lists[ListCount];
    Container::CMap<CSmallString, bool> m_mapTargets; // "f:" or "k:" + path -> existed
    Container::CArray<CSmallString> m_arrReplaced;
    Container::CMap<CSmallString, CSmallString> m_mapKept;       // replaced path -> kept file
    Container::CMap<CSmallString, SValueBefore> m_mapValuesBefore; // ValueId -> state before
    Container::CMap<CSmallString, SValueBefore> m_mapValuesCreated; // ValueId -> as written (no state before)
};
