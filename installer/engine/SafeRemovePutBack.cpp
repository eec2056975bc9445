// What was there before the installation comes back once the
// installation's own is gone: the files and shortcuts it replaced (kept
// where KeptFiles.h says) and the registry values it wrote over.
#include "SafeRemover.h"

#include <windows.h>

#include <cstring>

#include "Exceptions.h"
#include "Folders.h"
#include "InstallRecord.h"
#include "Journal.h"
#include "KeptFiles.h"
#include "Registry.h"
#include "RegistryKeyPath.h"
#include "Security.h"
#include "SetupLog.h"
#include "Shortcut.h"
#include "WinPath.h"

namespace {

const char* PathExtensionOf(const char* path)
{
    const char* dot = strrchr(path, '.');
    return dot && !strchr(dot, '\\') ? dot : "";
}

} // namespace

CSmallString CSafeRemover::ClassesSpelling(const CSmallString& formattedKey)
{
    RegistryKeyPath::SKey key;
    if (!RegistryKeyPath::Parse(formattedKey, key))
        return CSmallString();
    const CSmallString classes = RegistryKeyPath::BelowClasses(key.strSubKey);
    return classes.IsEmpty() ? classes : CSmallString("HKEY_CLASSES_ROOT\\") + classes;
}

bool CSafeRemover::RecordedValue(const CSmallString& formattedKey, const char* name) const
{
    const CSmallString classes = ClassesSpelling(formattedKey);
    return m_pRecord->HasValue(formattedKey, name) || (!classes.IsEmpty() && m_pRecord->HasValue(classes, name));
}

bool CSafeRemover::ChangedBelow(const CSmallString& formattedKey) const
{
    const CSmallString classes = ClassesSpelling(formattedKey);
    const auto below = [&](const CSmallString& item) {
        return WinPath::IsSameOrInside(item, formattedKey) || (!classes.IsEmpty() && WinPath::IsSameOrInside(item, classes));
    };
    const Container::CArray<CSmallString>& keys = m_pRecord->GetKeys();
    for (unsigned i = 0; i < keys.GetSize(); i++)
        if (below(keys[i]))
            return true;
    const Container::CArray<CSmallString>& values = m_pRecord->GetValues();
    for (unsigned i = 0; i < values.GetSize(); i++)
        if (below(values[i].Mid(0, values[i].Find(CSmallString("\n")))))
            return true;
    return false;
}

void CSafeRemover::PutBack(const CSmallString& path, const CSmallString& target)
{
    if (!m_pRecord)
        return;
    CSmallString recorded = WinPath::Normalise(path);
    const CSmallString* kept = m_pRecord->FindKept(recorded);
    if (!kept) {
        recorded = WinPath::Normalise(target);
        kept = m_pRecord->FindKept(recorded);
    }
    // Something still there (the installation's file, left or in use) is
    // never written over: TellNotPutBack says where the earlier one is.
    if (!kept || m_setPutBack.FindValue(CSmallString("f:") + recorded) || DoesFileExist(target))
        return;
    m_setPutBack.SetAt(CSmallString("f:") + recorded, true);
    // Only a path of the store's form, not reached through a link, is
    // moved: a changed log names no other file to bring into the folder.
    if (!IsKeptFilePath(*kept, m_bRecordTrusted))
        return Refuse(*kept, "not where the files an installation replaced are kept");
    const DWORD attributes = GetFileAttributesA(*kept);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Failed(target, CSmallString("the file the installation replaced was kept in ") + *kept +
                                  ", which is missing");
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) || IsLink(*kept) ||
        IsReachedThroughLink(*kept))
        return Refuse(*kept, "a folder or a link, never moved");
    // A shortcut to what is gone (this program's earlier installation
    // elsewhere, uninstalled since) would be a dead one: it is dropped.
    if (lstrcmpiA(PathExtensionOf(target), ".lnk") == 0) {
        const CSmallString leadsTo = GetShortcutTarget(*kept);
        if (!leadsTo.IsEmpty() && !DoesFileExist(leadsTo)) {
            LogLine("Not putting back %s: what it led to, %s, is gone", target.GetText(), leadsTo.GetText());
            DeleteFileName(*kept);
            RemoveKeptFolderIfEmpty(*kept);
            return;
        }
    }
    // Never over anything: a file that appeared meanwhile stays.
    if (!MoveFileExA(*kept, target, MOVEFILE_COPY_ALLOWED))
        return Failed(target, CSmallString("the file the installation replaced could not be put back from ") + *kept +
                                  ": " + GetLastErrorString());
    LogLine("Put back %s: the file that was there before the installation", target.GetText());
    RemoveKeptFolderIfEmpty(*kept);
}

namespace {

// Whether text, as the registry held it before, names a program or folder
// that is gone: the program's or folder's path (quoted, or up to a comma,
// a switch or an argument) is a full path that no longer exists. Such data
// would be a dead entry: the value goes instead of coming back.
bool NamesMissingPath(const SValueBefore& before)
{
    if ((before.uType != REG_SZ && before.uType != REG_EXPAND_SZ) || before.arrData.IsEmpty())
        return false;
    CSmallString text(reinterpret_cast<const char*>(before.arrData.GetData()), (int)before.arrData.GetSize());
    text = CSmallString(text.GetText()); // up to its NUL
    text.TrimBoth();
    CSmallString path;
    if (text.GetLength() && text.GetAt(0) == '"') {
        const char* end = strchr(text.GetText() + 1, '"');
        path = end ? CSmallString(text.GetText() + 1, (int)(end - text.GetText() - 1)) : CSmallString();
    } else {
        int cut = text.GetLength();
        for (const char* stop : {",", " /", " -", " %", " \""}) {
            const int at = text.Find(CSmallString(stop));
            if (at >= 0 && at < cut)
                cut = at;
        }
        path = text.Mid(0, cut);
    }
    return !WinPath::Normalise(path).IsEmpty() && !DoesFileExist(path);
}

} // namespace

bool CSafeRemover::PutBackValue(const CSmallString& recordedKey, const char* name)
{
    const SValueBefore* before = recordedKey.IsEmpty() ? nullptr : m_pRecord->FindValueBefore(recordedKey, name);
    if (!before)
        return false;
    if (NamesMissingPath(*before)) {
        LogLine("Not putting back %s\\%s: what it named before is gone", recordedKey.GetText(),
                name && *name ? name : "(default)");
        return false;
    }
    const CSmallString what = recordedKey + "\\" + (name && *name ? name : "(default)");
    const CSmallString id = CSmallString("v:") + what;
    if (m_setPutBack.FindValue(id))
        return true;
    m_setPutBack.SetAt(id, true);
    CSmallString subkey;
    const HKEY root = SplitRegistryKey(recordedKey, subkey);
    if (!root)
        return false;
    // Without the administrators' copy the earlier data is the log's word
    // alone: an elevated run writes none of it beyond the user's own keys.
    if (!m_bRecordTrusted && root != HKEY_CURRENT_USER && IsProcessElevated()) {
        LogLine("Left %s as it is: its earlier data comes from a log that isn't the copy kept for administrators",
                what.GetText());
        return true;
    }
    const SRegistryBefore now = CaptureRegistry(root, "", subkey, name);
    if (!before->bWritten || !now.bExisted || now.dwType != before->uWrittenType ||
        now.arrData.GetSize() != before->arrWritten.GetSize() ||
        memcmp(now.arrData.GetData(), before->arrWritten.GetData(), now.arrData.GetSize()) != 0) {
        LogLine("Left %s as it is: it was changed after the installation, so the data it held before is not put back",
                what.GetText());
        return true;
    }
    const LONG rc = WriteRegistryValue(root, subkey, name && *name ? name : nullptr, before->uType, before->arrData);
    if (rc == ERROR_SUCCESS)
        LogLine("Put back %s: the data it held before the installation", what.GetText());
    else
        Failed(what, CSmallString("the data it held before the installation could not be put back: ") +
                         GetLastErrorString((int)rc));
    return true;
}

void CSafeRemover::TellNotPutBack()
{
    if (!m_pRecord)
        return;
    const Container::CArray<CSmallString>& replaced = m_pRecord->GetReplaced();
    for (unsigned i = 0; i < replaced.GetSize(); i++)
        if (!m_setPutBack.FindValue(CSmallString("f:") + replaced[i]))
            Keep(replaced[i], CSmallString("the file the installation replaced there was not put back: it is kept in ") +
                                  *m_pRecord->FindKept(replaced[i]));
}
