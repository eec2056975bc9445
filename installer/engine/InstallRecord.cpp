#include "InstallRecord.h"

#include "Journal.h"
#include "RegistryKeyPath.h"
#include "ReleasePtr.h"
#include "WinPath.h"
#include "XMLNode.h"
#include "XMLParser.h"

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

// The path in the record's one spelling; the same string (not a copy) when
// it is spelled so already, as the session's own paths are: a record of many
// thousand files then costs no second copy of each.
CSmallString Normalised(const CSmallString& path)
{
    CSmallString normal = WinPath::Normalise(path);
    return normal == path ? path : normal;
}

// A value as the writer puts it in an attribute: trimmed and escaped.
void AppendAttribute(CCharArray& out, const char* name, const CSmallString& value)
{
    CSmallString escaped(value);
    escaped.TrimBoth();
    CXMLParser::ConvertSpecialChars(escaped);
    out.AppendText(" ");
    out.AppendText(name);
    out.AppendText("=\"");
    out.AppendText(escaped);
    out.AppendText("\"");
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
    // The set compares without regard to case, as Windows compares names.
    if (item.IsEmpty() || to.setItems.FindValue(item))
        return;
    to.setItems.SetAt(item, true);
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
            Add(Files, Normalised(entry.strPath));
            break;
        case SJournalEntry::Shortcut:
            Add(Shortcuts, Normalised(entry.strPath));
            break;
        case SJournalEntry::Folder:
            Add(Folders, Normalised(entry.strPath));
            break;
        case SJournalEntry::Key:
            Add(Keys, KeyId(entry.strPath));
            break;
        case SJournalEntry::Value:
            Add(Values, ValueId(entry.strPath, entry.strName));
            break;
        case SJournalEntry::Dll:
            Add(Dlls, Normalised(entry.strPath));
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

void CInstallRecord::WriteStartText(CCharArray& out, unsigned depth) const
{
    out.AppendTabs(depth);
    out.AppendText("<");
    out.AppendText(kRecord);
    AppendAttribute(out, "folder", m_strFolder);
    AppendAttribute(out, "folder-existed", CSmallString(m_bFolderExisted ? "1" : "0"));
    out.AppendText(">\r\n");
}

void CInstallRecord::WriteItemsText(CCharArray& out, unsigned depth) const
{
    for (unsigned b = 0; b < m_mapTargets.GetBucketCount(); b++)
        for (const auto* e = m_mapTargets.GetBucket(b); e; e = e->pNext) {
            out.AppendTabs(depth);
            out.AppendText("<target");
            AppendAttribute(out, e->key.GetAt(0) == 'k' ? "key" : "path", CSmallString(e->key.GetText() + 2));
            AppendAttribute(out, "existed", CSmallString(e->value ? "1" : "0"));
            out.AppendText(" />\r\n");
        }
    for (int list = 0; list < ListCount; list++)
        for (unsigned i = 0; i < m_lists[list].arrItems.GetSize(); i++) {
            const CSmallString& item = m_lists[list].arrItems[i];
            out.AppendTabs(depth);
            out.AppendText("<");
            out.AppendText(g_arrElements[list]);
            if (list == Values) {
                const int cut = item.Find(CSmallString("\n"));
                AppendAttribute(out, "key", item.Mid(0, cut));
                AppendAttribute(out, "name", item.Mid(cut + 1, item.GetLength()));
            } else {
                AppendAttribute(out, "path", item);
            }
            out.AppendText(" />\r\n");
        }
}

void CInstallRecord::WriteEndText(CCharArray& out, unsigned depth) const
{
    out.AppendTabs(depth);
    out.AppendText("</");
    out.AppendText(kRecord);
    out.AppendText(">\r\n");
}

const char* CInstallRecord::GetElementName() { return kRecord; }

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
                Add((EList)list, list == Keys ? KeyId(path) : Normalised(path));
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

bool CInstallRecord::HasFile(const CSmallString& path) const { return Has(Files, WinPath::Normalise(path)); }

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

bool CInstallRecord::HasValueIn(const CSmallString& key) const
{
    const CSmallString id = KeyId(key);
    const Container::CArray<CSmallString>& values = GetValues();
    for (unsigned i = 0; i < values.GetSize(); i++) {
        const int cut = values[i].Find(CSmallString("\n"));
        if (WinPath::IsSameOrInside(values[i].Mid(0, cut), id))
            return true;
    }
    return false;
}
