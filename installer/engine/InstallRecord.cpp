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

// Registry data as text in an attribute: two hex digits a byte.
CSmallString Hex(const Container::CArray<unsigned char>& data)
{
    static const char s_digits[] = "0123456789abcdef";
    CSmallString text;
    for (unsigned i = 0; i < data.GetSize(); i++) {
        text += s_digits[data[i] >> 4];
        text += s_digits[data[i] & 15];
    }
    return text;
}

CSmallString Number(unsigned n)
{
    CSmallString text;
    text.Format("%u", n);
    return text;
}

int HexDigit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

bool FromHex(const char* text, Container::CArray<unsigned char>& data)
{
    data.RemoveAll();
    if (!text)
        return false;
    for (const char* p = text; *p; p += 2) {
        const int high = HexDigit(p[0]), low = high < 0 ? -1 : HexDigit(p[1]);
        if (low < 0)
            return false;
        data.Add((unsigned char)(high * 16 + low));
    }
    return true;
}

} // namespace

namespace {
// The record's own words, written and read here alone.
namespace RecordWord {
constexpr char Folder[] = "folder";
constexpr char FolderExisted[] = "folder-existed";
constexpr char Target[] = "target";
constexpr char Path[] = "path";
constexpr char Key[] = "key";
constexpr char Name[] = "name";
constexpr char Existed[] = "existed";
constexpr char BeforeType[] = "before-type";
constexpr char Before[] = "before";
constexpr char WrittenType[] = "written-type";
constexpr char Written[] = "written";
constexpr char Replaced[] = "replaced";
constexpr char Kept[] = "kept";
constexpr char File[] = "file";
constexpr char Shortcut[] = "shortcut";
constexpr char Dll[] = "dll";
constexpr char Value[] = "value";
} // namespace RecordWord
// The record's element for each list, in the order of CInstallRecord::EList.
const char* const g_arrElements[] = {RecordWord::Folder, RecordWord::File, RecordWord::Shortcut,
                                      RecordWord::Key,    RecordWord::Dll,  RecordWord::Value};
const char* const kReplaced = RecordWord::Replaced;
} // namespace

CInstallRecord::CInstallRecord()
{
    // Installations of many thousand files are looked up here one by one.
    m_lists[Files].setItems.SetBucketSize(8191);
    m_lists[Folders].setItems.SetBucketSize(1021);
    m_lists[Values].setItems.SetBucketSize(509);
    m_mapValuesBefore.SetBucketSize(509);
    m_mapValuesCreated.SetBucketSize(509);
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
        case SJournalEntry::Shortcut: {
            if (entry.bDropped)
                break;
            const CSmallString path = Normalised(entry.strPath);
            Add(entry.eKind == SJournalEntry::File ? Files : Shortcuts, path);
            if (!entry.strKept.IsEmpty() && !m_mapKept.FindValue(path)) {
                m_mapKept.SetAt(path, entry.strKept);
                m_arrReplaced.Add(path);
            }
            break;
        }
        case SJournalEntry::Folder:
            if (!entry.bOwn)
                Add(Folders, Normalised(entry.strPath));
            break;
        case SJournalEntry::Key:
            Add(Keys, KeyId(entry.strPath));
            break;
        case SJournalEntry::Value: {
            const CSmallString id = ValueId(entry.strPath, entry.strName);
            // The first write found what was there before the installation.
            if (entry.bExisted && !Has(Values, id)) {
                SValueBefore before;
                before.uType = entry.dwType;
                before.arrData = entry.arrData;
                m_mapValuesBefore.SetAt(id, before);
            }
            Add(Values, id);
            break;
        }
        case SJournalEntry::Dll:
            Add(Dlls, Normalised(entry.strPath));
            break;
        }
    }
}

void CInstallRecord::SetValueWritten(const CSmallString& key, const char* name, unsigned type,
                                     const Container::CArray<unsigned char>& data)
{
    const CSmallString id = ValueId(key, name);
    SValueBefore* state = m_mapValuesBefore.FindValue(id);
    if (!state) {
        m_mapValuesCreated.SetAt(id, SValueBefore());
        state = m_mapValuesCreated.FindValue(id);
    }
    state->bWritten = true;
    state->uWrittenType = type;
    state->arrWritten = data;
}

void CInstallRecord::ForgetFile(const CSmallString& path)
{
    const CSmallString normal = WinPath::Normalise(path);
    SList& files = m_lists[Files];
    if (!files.setItems.FindValue(normal))
        return;
    files.setItems.RemoveAt(normal);
    for (unsigned i = 0; i < files.arrItems.GetSize(); i++)
        if (Mb::ICmp(files.arrItems[i], normal) == 0) {
            files.arrItems.RemoveAt(i);
            break;
        }
}

void CInstallRecord::Merge(const CInstallRecord& earlier)
{
    if (!earlier.m_strFolder.IsEmpty() && WinPath::IsSameOrInside(m_strFolder, earlier.m_strFolder) &&
        WinPath::IsSameOrInside(earlier.m_strFolder, m_strFolder))
        m_bFolderExisted = earlier.m_bFolderExisted;
    // A value the earlier installation wrote: what was there before it
    // counts, and as this one left it.
    const Container::CArray<CSmallString>& values = earlier.GetValues();
    for (unsigned i = 0; i < values.GetSize(); i++) {
        const SValueBefore* first = earlier.m_mapValuesBefore.FindValue(values[i]);
        const SValueBefore* now = m_mapValuesBefore.FindValue(values[i]);
        if (!first) {
            if (now) {
                // Created by the earlier one: as this one left it, else as
                // the earlier one did.
                if (now->bWritten)
                    m_mapValuesCreated.SetAt(values[i], *now);
                m_mapValuesBefore.RemoveAt(values[i]);
            }
            const SValueBefore* created = earlier.m_mapValuesCreated.FindValue(values[i]);
            if (created && !m_mapValuesCreated.FindValue(values[i]))
                m_mapValuesCreated.SetAt(values[i], *created);
            continue;
        }
        SValueBefore merged = *first;
        if (now && now->bWritten) {
            merged.bWritten = true;
            merged.uWrittenType = now->uWrittenType;
            merged.arrWritten = now->arrWritten;
        }
        m_mapValuesBefore.SetAt(values[i], merged);
    }
    for (int list = 0; list < ListCount; list++)
        for (unsigned i = 0; i < earlier.m_lists[list].arrItems.GetSize(); i++)
            Add((EList)list, earlier.m_lists[list].arrItems[i]);
    // The user's file the first installation kept is the one to put back.
    for (unsigned i = 0; i < earlier.m_arrReplaced.GetSize(); i++) {
        const CSmallString& path = earlier.m_arrReplaced[i];
        if (!m_mapKept.FindValue(path))
            m_arrReplaced.Add(path);
        m_mapKept.SetAt(path, *earlier.m_mapKept.FindValue(path));
    }
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
    AppendAttribute(out, RecordWord::Folder, m_strFolder);
    AppendAttribute(out, RecordWord::FolderExisted, CSmallString(m_bFolderExisted ? "1" : "0"));
    out.AppendText(">\r\n");
}

void CInstallRecord::WriteItemsText(CCharArray& out, unsigned depth) const
{
    for (unsigned b = 0; b < m_mapTargets.GetBucketCount(); b++)
        for (const auto* e = m_mapTargets.GetBucket(b); e; e = e->pNext) {
            out.AppendTabs(depth);
            out.AppendText("<");
            out.AppendText(RecordWord::Target);
            AppendAttribute(out, e->key.GetAt(0) == 'k' ? RecordWord::Key : RecordWord::Path, CSmallString(e->key.GetText() + 2));
            AppendAttribute(out, RecordWord::Existed, CSmallString(e->value ? "1" : "0"));
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
                AppendAttribute(out, RecordWord::Key, item.Mid(0, cut));
                AppendAttribute(out, RecordWord::Name, item.Mid(cut + 1, item.GetLength()));
                const SValueBefore* before = m_mapValuesBefore.FindValue(item);
                if (before) {
                    AppendAttribute(out, RecordWord::BeforeType, Number(before->uType));
                    AppendAttribute(out, RecordWord::Before, Hex(before->arrData));
                } else {
                    before = m_mapValuesCreated.FindValue(item);
                }
                if (before && before->bWritten) {
                    AppendAttribute(out, RecordWord::WrittenType, Number(before->uWrittenType));
                    AppendAttribute(out, RecordWord::Written, Hex(before->arrWritten));
                }
            } else {
                AppendAttribute(out, RecordWord::Path, item);
            }
            out.AppendText(" />\r\n");
        }
    for (unsigned i = 0; i < m_arrReplaced.GetSize(); i++) {
        out.AppendTabs(depth);
        out.AppendText("<");
        out.AppendText(kReplaced);
        AppendAttribute(out, RecordWord::Path, m_arrReplaced[i]);
        AppendAttribute(out, RecordWord::Kept, *m_mapKept.FindValue(m_arrReplaced[i]));
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
    record->GetAttributeValue(RecordWord::FolderExisted, existed);
    SetFolder(CSmallString(record->GetAttributeValue(RecordWord::Folder)), existed);
    for (unsigned i = 0; i < record->GetChildCount(); i++) {
        const CXMLNode* item = record->GetChild(i);
        const CSmallString path(item->GetAttributeValue(RecordWord::Path));
        if (item->GetName() == RecordWord::Target) {
            bool before = true;
            item->GetAttributeValue(RecordWord::Existed, before);
            if (const char* key = item->GetAttributeValue(RecordWord::Key))
                AddTarget(CSmallString(key), true, before);
            else
                AddTarget(path, false, before);
            continue;
        }
        if (item->GetName() == kReplaced) {
            const CSmallString replaced = Normalised(path), kept(item->GetAttributeValue(RecordWord::Kept));
            if (!replaced.IsEmpty() && !kept.IsEmpty() && !m_mapKept.FindValue(replaced)) {
                m_mapKept.SetAt(replaced, kept);
                m_arrReplaced.Add(replaced);
            }
            continue;
        }
        for (int list = 0; list < ListCount; list++) {
            if (item->GetName() != g_arrElements[list])
                continue;
            if (list == Values)
                ReadValue(item);
            else
                Add((EList)list, list == Keys ? KeyId(path) : Normalised(path));
        }
    }
    return true;
}

void CInstallRecord::ReadValue(const CXMLNode* item)
{
    const CSmallString id = ValueId(CSmallString(item->GetAttributeValue(RecordWord::Key)), item->GetAttributeValue(RecordWord::Name));
    Add(Values, id);
    // The earlier state only whole: a value that can't be read back is
    // removed as one the installation created.
    SValueBefore before;
    before.bWritten = item->GetAttributeValue(RecordWord::WrittenType, before.uWrittenType) &&
                      FromHex(item->GetAttributeValue(RecordWord::Written), before.arrWritten);
    if (!item->GetAttributeValue(RecordWord::BeforeType, before.uType) || !FromHex(item->GetAttributeValue(RecordWord::Before), before.arrData)) {
        if (before.bWritten)
            m_mapValuesCreated.SetAt(id, before);
        return;
    }
    m_mapValuesBefore.SetAt(id, before);
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

const CSmallString* CInstallRecord::FindKept(const CSmallString& path) const
{
    return m_mapKept.FindValue(WinPath::Normalise(path));
}

const SValueBefore* CInstallRecord::FindValueBefore(const CSmallString& key, const char* name) const
{
    return m_mapValuesBefore.FindValue(ValueId(key, name));
}
