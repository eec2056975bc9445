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
    void AddJournal(const Container::CArray<SJournalEntry>& entries);
    // Keeps what an earlier installation into the same folder recorded, so
    // that an upgrade still removes what the first one created.
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

    // Normalised paths (files, created folders) and formatted keys.
    const Container::CArray<CSmallString>& GetFiles() const { return m_lists[Files].arrItems; }
    const Container::CArray<CSmallString>& GetFolders() const { return m_lists[Folders].arrItems; }
    const Container::CArray<CSmallString>& GetKeys() const { return m_lists[Keys].arrItems; }
    const Container::CArray<CSmallString>& GetValues() const { return m_lists[Values].arrItems; } // "key\nname"

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

    static CSmallString ValueId(const CSmallString& key, const char* name);
    void Add(EList list, const CSmallString& item);
    bool Has(EList list, const CSmallString& item) const { return m_lists[list].setItems.FindValue(item) != nullptr; }

    CSmallString m_strFolder;
    bool m_bFolderExisted = false;
    SList m_lists[ListCount];
    Container::CMap<CSmallString, bool> m_mapTargets; // "f:" or "k:" + path -> existed
};
