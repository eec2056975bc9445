#include "InstallRecord.h"

#include "Journal.h"
#include "RegistryKeyPath.h"
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

} // namespace

CInstallRecord::CInstallRecord()
{
    // Installations of many thousand files are looked up here one by one.
    m_setFiles.SetBucketSize(8191);
    m_setFolders.SetBucketSize(1021);
    m_setValues.SetBucketSize(509);
}

CSmallString CInstallRecord::ValueId(const CSmallString& key, const char* name)
{
    return KeyId(key) + "\n" + (name ? name : "");
}

void CInstallRecord::AddUnique(Container::CArray<CSmallString>& list, Container::CMap<CSmallString, bool>& set,
                               const CSmallString& item)
{
    if (item.IsEmpty() || set.FindValue(item))
        return;
    set.SetAt(item, true);
    list.Add(item);
}

void CInstallRecord::SetFolder(const CSmallString& folder, bool existed)
{
    m_strFolder = WinPath::Normalise(folder);
    m_bFolderExisted = existed;
}

void CInstallRecord::AddTarget(const CSmallString& pathOrKey, bool isKey, bool existed)
{
    const CSmallString id = isKey ? CSmallString("k:") + KeyId(pathOrKey) : CSmallString("f:") + WinPath::Normalise(pathOrKey);
    if (id.GetLength() > 2 && !m_mapTargets.FindValue(id))
        m_mapTargets.SetAt(id, existed);
}

void CInstallRecord::AddJournal(const Container::CArray<SJournalEntry>& entries)
{
    for (unsigned i = 0; i < entries.GetSize(); i++) {
        const SJournalEntry& entry = entries[i];
        switch (entry.eKind) {
        case SJournalEntry::File:
            AddUnique(m_arrFiles, m_setFiles, WinPath::Normalise(entry.strPath));
            break;
        case SJournalEntry::Shortcut:
            AddUnique(m_arrShortcuts, m_setShortcuts, WinPath::Normalise(entry.strPath));
            break;
        case SJournalEntry::Folder:
            AddUnique(m_arrFolders, m_setFolders, WinPath::Normalise(entry.strPath));
            break;
        case SJournalEntry::Key:
            AddUnique(m_arrKeys, m_setKeys, KeyId(entry.strPath));
            break;
        case SJournalEntry::Value:
            AddUnique(m_arrValues, m_setValues, ValueId(entry.strPath, entry.strName));
            break;
        case SJournalEntry::Dll:
            AddUnique(m_arrDlls, m_setDlls, WinPath::Normalise(entry.strPath));
            break;
        }
    }
}

void CInstallRecord::Merge(const CInstallRecord& earlier)
{
    if (!earlier.m_strFolder.IsEmpty() && WinPath::IsSameOrInside(m_strFolder, earlier.m_strFolder) &&
        WinPath::IsSameOrInside(earlier.m_strFolder, m_strFolder))
        m_bFolderExisted = earlier.m_bFolderExisted;
    for (unsigned i = 0; i < earlier.m_arrFiles.GetSize(); i++)
        AddUnique(m_arrFiles, m_setFiles, earlier.m_arrFiles[i]);
    for (unsigned i = 0; i < earlier.m_arrShortcuts.GetSize(); i++)
        AddUnique(m_arrShortcuts, m_setShortcuts, earlier.m_arrShortcuts[i]);
    for (unsigned i = 0; i < earlier.m_arrFolders.GetSize(); i++)
        AddUnique(m_arrFolders, m_setFolders, earlier.m_arrFolders[i]);
    for (unsigned i = 0; i < earlier.m_arrKeys.GetSize(); i++)
        AddUnique(m_arrKeys, m_setKeys, earlier.m_arrKeys[i]);
    for (unsigned i = 0; i < earlier.m_arrValues.GetSize(); i++)
        AddUnique(m_arrValues, m_setValues, earlier.m_arrValues[i]);
    for (unsigned i = 0; i < earlier.m_arrDlls.GetSize(); i++)
        AddUnique(m_arrDlls, m_setDlls, earlier.m_arrDlls[i]);
    // What existed before the first installation is what counts.
    for (unsigned b = 0; b < earlier.m_mapTargets.GetBucketCount(); b++)
        for (const auto* e = earlier.m_mapTargets.GetBucket(b); e; e = e->pNext)
            m_mapTargets.SetAt(e->key, e->value);
}

void CInstallRecord::WriteTo(CXMLNode* section) const
{
    CXMLNode* record = section->CreateNewChild(kRecord);
    record->SetAttribute("folder", m_strFolder);
    record->SetAttributeValue("folder-existed", m_bFolderExisted);
    for (unsigned b = 0; b < m_mapTargets.GetBucketCount(); b++)
        for (const auto* e = m_mapTargets.GetBucket(b); e; e = e->pNext) {
            CXMLNode* target = record->CreateNewChild("target");
            target->SetAttribute(e->key.GetAt(0) == 'k' ? "key" : "path", e->key.GetText() + 2);
            target->SetAttributeValue("existed", e->value);
            target->Release();
        }
    const struct
    {
        const char* pszElement;
        const Container::CArray<CSmallString>* pList;
    } lists[] = {{"folder", &m_arrFolders}, {"file", &m_arrFiles}, {"shortcut", &m_arrShortcuts},
                 {"key", &m_arrKeys},       {"dll", &m_arrDlls}};
    for (const auto& list : lists)
        for (unsigned i = 0; i < list.pList->GetSize(); i++) {
            CXMLNode* item = record->CreateNewChild(list.pszElement);
            item->SetAttribute("path", (*list.pList)[i]);
            item->Release();
        }
    for (unsigned i = 0; i < m_arrValues.GetSize(); i++) {
        const CSmallString& id = m_arrValues[i];
        const int cut = id.Find(CSmallString("\n"));
        CXMLNode* item = record->CreateNewChild("value");
        item->SetAttribute("key", id.Mid(0, cut));
        item->SetAttribute("name", id.Mid(cut + 1, id.GetLength()));
        item->Release();
    }
    record->Release();
}

bool CInstallRecord::ReadFrom(const CXMLNode* section)
{
    const CXMLNode* record = section ? section->FindNode(kRecord) : nullptr;
    if (!record)
        return false;
    bool existed = true;
    record->GetAttributeValue("folder-existed", existed);
    const char* folder = record->GetAttributeValue("folder");
    SetFolder(CSmallString(folder), existed);
    for (unsigned i = 0; i < record->GetChildCount(); i++) {
        const CXMLNode* item = record->GetChild(i);
        const CSmallString path(item->GetAttributeValue("path"));
        const CSmallString& name = item->GetName();
        if (name == "target") {
            bool before = true;
            item->GetAttributeValue("existed", before);
            if (const char* key = item->GetAttributeValue("key"))
                AddTarget(CSmallString(key), true, before);
            else
                AddTarget(path, false, before);
        } else if (name == "file") {
            AddUnique(m_arrFiles, m_setFiles, WinPath::Normalise(path));
        } else if (name == "folder") {
            AddUnique(m_arrFolders, m_setFolders, WinPath::Normalise(path));
        } else if (name == "shortcut") {
            AddUnique(m_arrShortcuts, m_setShortcuts, WinPath::Normalise(path));
        } else if (name == "key") {
            AddUnique(m_arrKeys, m_setKeys, KeyId(path));
        } else if (name == "dll") {
            AddUnique(m_arrDlls, m_setDlls, WinPath::Normalise(path));
        } else if (name == "value") {
            AddUnique(m_arrValues, m_setValues,
                      ValueId(CSmallString(item->GetAttributeValue("key")), item->GetAttributeValue("name")));
        }
    }
    return true;
}

bool CInstallRecord::GetTargetExisted(const CSmallString& pathOrKey, bool isKey, bool& existed) const
{
    const CSmallString id = isKey ? CSmallString("k:") + KeyId(pathOrKey) : CSmallString("f:") + WinPath::Normalise(pathOrKey);
    const bool* value = m_mapTargets.FindValue(id);
    if (!value)
        return false;
    existed = *value;
    return true;
}

bool CInstallRecord::HasFile(const CSmallString& path) const
{
    return m_setFiles.FindValue(WinPath::Normalise(path)) != nullptr;
}

bool CInstallRecord::HasShortcut(const CSmallString& path) const
{
    return m_setShortcuts.FindValue(WinPath::Normalise(path)) != nullptr;
}

bool CInstallRecord::IsInCreatedFolder(const CSmallString& path) const
{
    const CSmallString normalised = WinPath::Normalise(path);
    if (!m_bFolderExisted && WinPath::IsSameOrInside(normalised, m_strFolder))
        return true;
    for (unsigned i = 0; i < m_arrFolders.GetSize(); i++)
        if (WinPath::IsSameOrInside(normalised, m_arrFolders[i]))
            return true;
    return false;
}

bool CInstallRecord::IsBelowCreatedKey(const CSmallString& key) const
{
    const CSmallString id = KeyId(key);
    for (unsigned i = 0; i < m_arrKeys.GetSize(); i++)
        if (WinPath::IsSameOrInside(id, m_arrKeys[i]))
            return true;
    return false;
}

bool CInstallRecord::HasValue(const CSmallString& key, const char* name) const
{
    return m_setValues.FindValue(ValueId(key, name)) != nullptr;
}
