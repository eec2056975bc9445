#include "InstallRecord.h"

#include "Journal.h"
#include "RegistryKeyPath.h"
#include "ReleasePtr.h"
#include "WinPath.h"
#include "XMLNode.h"

namespace {

const char kRecord[] = "install-record";

// Keys of every root compare by their one spelling.
CSmallString KeyId(const CSmallString& key)
{
    RegistryKeyPath::SKey parsed;
    if (RegistryKeyPath::Parse(key, parsed))
        return RegistryKeyPath::Format(parsed);
    // HKEY_CLASSES_ROOT, which scripts can't name: joined the same way.
    CSmallString text;
    for (const char* p = key; *p; p++)
        if (*p != '\\' || (text.GetLength() && text.GetAt(text.GetLength() - 1) != '\\'))
            text += *p;
    while (text.GetLength() && text.GetAt(text.GetLength() - 1) == '\\')
        text.Delete(text.GetLength() - 1, 1);
    return text;
}

// Files compare as Windows compares names: the spelling of the folder may
// differ between installing and uninstalling ("c:\program files\...").
CSmallString Folded(const CSmallString& path)
{
    CSmallString folded = path;
    for (int i = 0; i < folded.GetLength(); i++) {
        const char c = folded.GetAt(i);
        if (c >= 'a' && c <= 'z')
            folded.SetAt(i, (char)(c - 'a' + 'A'));
    }
    return folded;
}

} // namespace

namespace {
// The record's element for each list, in the order of CInstallRecord::EList.
const char* const g_arrElements[] = {"folder", "file", "shortcut", "key", "dll", "value"};
} // namespace

CInstallRecord::CInstallRecord()
{
    // Installations of many thousand files are looked up here one by one.
    m_lists[Files].setItems.SetBucketSize(8191);
    m_lists[Folders].setItems.SetBucketSize(1021);
    m_lists[Values].setItems.SetBucketSize(509);
}

CSmallString CInstallRecord::ValueId(const CSmallString& key, const char* name)
{
    return KeyId(key) + "\n" + (name ? name : "");
}

void CInstallRecord::Add(EList list, const CSmallString& item)
{
    SList& to = m_lists[list];
    const CSmallString key = list == Files ? Folded(item) : item;
    if (item.IsEmpty() || to.setItems.FindValue(key))
        return;
    to.setItems.SetAt(key, true);
    to.arrItems.Add(item);
}

void CInstallRecord::SetFolder(const CSmallString& folder, bool existed)
{
    m_strFolder = WinPath::Normalise(folder);
    m_bFolderExisted = existed;
}

void CInstallRecord::AddTarget(const CSmallString& pathOrKey, bool isKey, bool existed)
{
    const CSmallString id =
        isKey ? CSmallString("k:") + KeyId(pathOrKey) : CSmallString("f:") + WinPath::Normalise(pathOrKey);
    if (id.GetLength() > 2 && !m_mapTargets.FindValue(id))
        m_mapTargets.SetAt(id, existed);
}

void CInstallRecord::AddJournal(const Container::CArray<SJournalEntry>& entries)
{
    for (unsigned i = 0; i < entries.GetSize(); i++) {
        const SJournalEntry& entry = entries[i];
        switch (entry.eKind) {
        case SJournalEntry::File:
            Add(Files, WinPath::Normalise(entry.strPath));
            break;
        case SJournalEntry::Shortcut:
            Add(Shortcuts, WinPath::Normalise(entry.strPath));
            break;
        case SJournalEntry::Folder:
            Add(Folders, WinPath::Normalise(entry.strPath));
            break;
        case SJournalEntry::Key:
            Add(Keys, KeyId(entry.strPath));
            break;
        case SJournalEntry::Value:
            Add(Values, ValueId(entry.strPath, entry.strName));
            break;
        case SJournalEntry::Dll:
            Add(Dlls, WinPath::Normalise(entry.strPath));
            break;
        }
    }
}

void CInstallRecord::Merge(const CInstallRecord& earlier)
{
    if (!earlier.m_strFolder.IsEmpty() && WinPath::IsSameOrInside(m_strFolder, earlier.m_strFolder) &&
        WinPath::IsSameOrInside(earlier.m_strFolder, m_strFolder))
        m_bFolderExisted = earlier.m_bFolderExisted;
    for (int list = 0; list < ListCount; list++)
        for (unsigned i = 0; i < earlier.m_lists[list].arrItems.GetSize(); i++)
            Add((EList)list, earlier.m_lists[list].arrItems[i]);
    // What existed before the first installation is what counts.
    for (unsigned b = 0; b < earlier.m_mapTargets.GetBucketCount(); b++)
        for (const auto* e = earlier.m_mapTargets.GetBucket(b); e; e = e->pNext)
            m_mapTargets.SetAt(e->key, e->value);
}

void CInstallRecord::WriteTo(CXMLNode* section) const
{
    const CReleasePtr<CXMLNode> record(section->CreateNewChild(kRecord));
    record->SetAttribute("folder", m_strFolder);
    record->SetAttributeValue("folder-existed", m_bFolderExisted);
    for (unsigned b = 0; b < m_mapTargets.GetBucketCount(); b++)
        for (const auto* e = m_mapTargets.GetBucket(b); e; e = e->pNext) {
            const CReleasePtr<CXMLNode> target(record->CreateNewChild("target"));
            target->SetAttribute(e->key.GetAt(0) == 'k' ? "key" : "path", e->key.GetText() + 2);
            target->SetAttributeValue("existed", e->value);
        }
    for (int list = 0; list < ListCount; list++)
        for (unsigned i = 0; i < m_lists[list].arrItems.GetSize(); i++) {
            const CSmallString& item = m_lists[list].arrItems[i];
            const CReleasePtr<CXMLNode> node(record->CreateNewChild(g_arrElements[list]));
            if (list == Values) {
                const int cut = item.Find(CSmallString("\n"));
                node->SetAttribute("key", item.Mid(0, cut));
                node->SetAttribute("name", item.Mid(cut + 1, item.GetLength()));
            } else {
                node->SetAttribute("path", item);
            }
        }
}

bool CInstallRecord::ReadFrom(const CXMLNode* section)
{
    const CXMLNode* record = section ? section->FindNode(kRecord) : nullptr;
    if (!record)
        return false;
    bool existed = true;
    record->GetAttributeValue("folder-existed", existed);
    SetFolder(CSmallString(record->GetAttributeValue("folder")), existed);
    for (unsigned i = 0; i < record->GetChildCount(); i++) {
        const CXMLNode* item = record->GetChild(i);
        const CSmallString path(item->GetAttributeValue("path"));
        if (item->GetName() == "target") {
            bool before = true;
            item->GetAttributeValue("existed", before);
            if (const char* key = item->GetAttributeValue("key"))
                AddTarget(CSmallString(key), true, before);
            else
                AddTarget(path, false, before);
            continue;
        }
        for (int list = 0; list < ListCount; list++) {
            if (item->GetName() != g_arrElements[list])
                continue;
            if (list == Values)
                Add(Values, ValueId(CSmallString(item->GetAttributeValue("key")), item->GetAttributeValue("name")));
            else
                Add((EList)list, list == Keys ? KeyId(path) : WinPath::Normalise(path));
        }
    }
    return true;
}

bool CInstallRecord::GetTargetExisted(const CSmallString& pathOrKey, bool isKey, bool& existed) const
{
    const CSmallString id =
        isKey ? CSmallString("k:") + KeyId(pathOrKey) : CSmallString("f:") + WinPath::Normalise(pathOrKey);
    const bool* value = m_mapTargets.FindValue(id);
    if (!value)
        return false;
    existed = *value;
    return true;
}

bool CInstallRecord::HasFile(const CSmallString& path) const { return Has(Files, Folded(WinPath::Normalise(path))); }

bool CInstallRecord::HasShortcut(const CSmallString& path) const { return Has(Shortcuts, WinPath::Normalise(path)); }

bool CInstallRecord::IsInCreatedFolder(const CSmallString& path) const
{
    const CSmallString normalised = WinPath::Normalise(path);
    if (!m_bFolderExisted && WinPath::IsSameOrInside(normalised, m_strFolder))
        return true;
    const Container::CArray<CSmallString>& folders = GetFolders();
    for (unsigned i = 0; i < folders.GetSize(); i++)
        if (WinPath::IsSameOrInside(normalised, folders[i]))
            return true;
    return false;
}

bool CInstallRecord::IsBelowCreatedKey(const CSmallString& key) const
{
    const CSmallString id = KeyId(key);
    const Container::CArray<CSmallString>& keys = GetKeys();
    for (unsigned i = 0; i < keys.GetSize(); i++)
        if (WinPath::IsSameOrInside(id, keys[i]))
            return true;
    return false;
}

bool CInstallRecord::HasValue(const CSmallString& key, const char* name) const { return Has(Values, ValueId(key, name)); }
