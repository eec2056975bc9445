// The undo of a run, from the steps its journal announced: in the run
// itself when it fails or is cancelled, or by the next run when it was cut
// short. Either way only what is still as this run left it is taken back.
#include "Journal.h"

#include <cstdlib>
#include <cstring>

#include "ComServer.h"
#include "Exceptions.h"
#include "Folders.h"
#include "JournalRecords.h"
#include "Registry.h"
#include "SetupLog.h"
#include "WinPath.h"
#include "win32/Handles.h"

// What the last undo left changed, for the user.
static Container::CArray<CSmallString> g_arrNotUndone;

namespace {

enum EFileState
{
    Absent,
    Ours,  // the file the step made, as it was made
    Other, // anything else: the file that was there, or one written since
};

// What is at the step's path now; size receives a file's size.
EFileState StateOf(const SUndoStep& step, unsigned long long& size)
{
    size = 0;
    // The name itself, never what a link there leads to.
    CAutoHandle file(CreateFileA(step.strPath, FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.IsValid()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Absent : Other;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return Other;
    size = ((unsigned long long)info.nFileSizeHigh << 32) | info.nFileSizeLow;
    const bool same = step.bMade && info.dwVolumeSerialNumber == step.dwVolume &&
                      info.nFileIndexHigh == step.dwIndexHigh && info.nFileIndexLow == step.dwIndexLow &&
                      (!step.bSized || size == step.ullSize);
    return same ? Ours : Other;
}

bool Exists(const CSmallString& path)
{
    return !path.IsEmpty() && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void UndoFile(const SUndoStep& step, bool madeButNotNoted)
{
    unsigned long long size = 0;
    const EFileState state = StateOf(step, size);
    const bool backupThere = Exists(step.strBackup);
    // Cut short between making the file and noting it, the file was still
    // empty: only then, and only where nothing else was left, is one taken
    // for this run's without its identity.
    const bool ours =
        state == Ours || (madeButNotNoted && state == Other && size == 0 && (step.strBackup.IsEmpty() || backupThere));
    bool free = state == Absent;
    if (ours) {
        SetFileAttributesA(step.strPath, FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileName(step.strPath) || GetLastError() == ERROR_FILE_NOT_FOUND) {
            LogLine("Undo: removed %s", step.strPath.GetText());
            free = true;
        } else {
            LogLine("Undo: could not delete %s: %s", step.strPath.GetText(), GetLastErrorString().GetText());
            g_arrNotUndone.Add(step.strPath);
        }
    } else if (state == Other && step.bMade) {
        LogLine("Undo: %s was changed since this run wrote it: left as it is", step.strPath.GetText());
    }
    if (!backupThere)
        return;
    if (free) {
        if (MoveFileExA(step.strBackup, step.strPath, MOVEFILE_COPY_ALLOWED))
            LogLine("Undo: put back %s", step.strPath.GetText());
        else {
            LogLine("Undo: could not put back %s: %s", step.strPath.GetText(), GetLastErrorString().GetText());
            g_arrNotUndone.Add(step.strPath);
        }
    } else if (!ours) {
        // What stands there now replaced this run's file, as it would have
        // replaced the one before.
        LogLine("Undo: %s holds a file written since: the one this run replaced there is not put back",
                step.strPath.GetText());
        SetFileAttributesA(step.strBackup, FILE_ATTRIBUTE_NORMAL);
        DeleteFileName(step.strBackup);
    }
}

bool SameValue(bool exists, DWORD type, const Container::CArray<unsigned char>& data, bool otherExists, DWORD otherType,
               const Container::CArray<unsigned char>& other)
{
    if (exists != otherExists)
        return false;
    return !exists || (type == otherType && data.GetSize() == other.GetSize() &&
                       memcmp(data.GetData(), other.GetData(), data.GetSize()) == 0);
}

void UndoValue(const SUndoStep& step)
{
    CSmallString subkey;
    const HKEY root = SplitRegistryKey(step.strPath, subkey);
    if (!root)
        return;
    const char* name = step.strName.IsEmpty() ? nullptr : step.strName.GetText();
    DWORD type = 0;
    Container::CArray<unsigned char> data;
    const bool exists = ReadRegistryValue(root, subkey, name, type, data);
    if (SameValue(exists, type, data, step.bExisted, step.dwType, step.arrData))
        return; // as it was
    if (step.bWritten && !SameValue(exists, type, data, step.bWrittenExists, step.dwWrittenType, step.arrWritten)) {
        LogLine("Undo: %s\\%s was changed since this run wrote it: left as it is", step.strPath.GetText(),
                name ? name : "(default)");
        return;
    }
    CRegKey key;
    if (key.Open(root, subkey, KEY_SET_VALUE) != ERROR_SUCCESS)
        return; // its key went with a created parent
    const LONG rc = step.bExisted
                        ? RegSetValueExA(key, name, 0, step.dwType, step.arrData.GetData(), step.arrData.GetSize())
                        : RegDeleteValueA(key, name);
    if (rc == ERROR_SUCCESS)
        LogLine("Undo: %s %s\\%s", step.bExisted ? "restored" : "removed", step.strPath.GetText(),
                name ? name : "(default)");
    else {
        LogLine("Undo: could not restore %s\\%s: %s", step.strPath.GetText(), name ? name : "(default)",
                GetLastErrorString((int)rc).GetText());
        g_arrNotUndone.Add(step.strPath + "\\" + (name ? name : "(default)"));
    }
}

// Whether the key or any key below it holds a value.
bool HoldsValues(HKEY root, const CSmallString& subkey)
{
    CRegKey key;
    DWORD values = 0;
    if (key.Open(root, subkey, KEY_READ) != ERROR_SUCCESS ||
        CountRegistryKeyContents(key, nullptr, &values) != ERROR_SUCCESS)
        return false;
    if (values)
        return true;
    const Container::CArray<CSmallString> names = ListRegistrySubkeys(key);
    for (unsigned i = 0; i < names.GetSize(); i++)
        if (HoldsValues(root, subkey + "\\" + names[i]))
            return true;
    return false;
}

void UndoKey(const SUndoStep& step)
{
    CSmallString subkey;
    const HKEY root = SplitRegistryKey(step.strPath, subkey);
    CRegKey key;
    if (!root || key.Open(root, subkey, KEY_READ) != ERROR_SUCCESS)
        return;
    key.Close();
    // Its values were taken back before it: what is left another wrote.
    if (HoldsValues(root, subkey))
        LogLine("Undo: key %s left in place: it holds values this run did not write", step.strPath.GetText());
    else if (DeleteRegistryKey(root, subkey))
        LogLine("Undo: removed key %s", step.strPath.GetText());
}

void UndoDll(const Container::CArray<SUndoStep>& steps, unsigned at)
{
    const SUndoStep& step = steps[at];
    // A DLL the run wrote is unregistered only while it is still that file:
    // unregistering runs its code.
    const CSmallString dll = WinPath::Normalise(step.strPath);
    for (unsigned i = at; i-- > 0;) {
        if (steps[i].eKind != SJournalEntry::File || !WinPath::Normalise(steps[i].strPath).IsSameNoCase(dll))
            continue;
        unsigned long long size = 0;
        if (StateOf(steps[i], size) != Ours) {
            LogLine("Undo: %s was not unregistered: it is no longer the file this run wrote", step.strPath.GetText());
            return;
        }
        break;
    }
    LogLine("Undo: %s %s", UnregisterCOMDLL(step.strPath) ? "unregistered" : "could not unregister",
            step.strPath.GetText());
}

unsigned long ParseHex(const CSmallString& text)
{
    return strtoul(text, nullptr, 16);
}

// The newest step of kind for path (and name), or null.
SUndoStep* FindStep(Container::CArray<SUndoStep>& steps, SJournalEntry::EKind kind, const CSmallString& path,
                    const CSmallString* name)
{
    for (unsigned i = steps.GetSize(); i-- > 0;)
        if (steps[i].eKind == kind && steps[i].strPath == path && (!name || steps[i].strName == *name))
            return &steps[i];
    return nullptr;
}

// Only the run's own numbered names: a backup never lies outside its folder.
bool IsBackupName(const CSmallString& name)
{
    if (name.IsEmpty() || name.GetLength() > 9)
        return false;
    for (int i = 0; i < name.GetLength(); i++)
        if (name.GetAt(i) < '0' || name.GetAt(i) > '9')
            return false;
    return true;
}

// The uninstall log seen when the run began is no longer there, and what
// is there now is not the run's own: a newer installation has written it.
bool HasNewerInstallation(const Container::CArray<SUndoStep>& steps, const SUndoStep& seen)
{
    unsigned long long size = 0;
    if (seen.strPath.IsEmpty() || StateOf(seen, size) != Other)
        return false;
    const CSmallString log = WinPath::Normalise(seen.strPath);
    for (unsigned i = steps.GetSize(); i-- > 0;)
        if (steps[i].eKind == SJournalEntry::File && steps[i].bMade &&
            WinPath::Normalise(steps[i].strPath).IsSameNoCase(log) && StateOf(steps[i], size) == Ours)
            return false;
    return true;
}

} // namespace

const Container::CArray<CSmallString>& GetNotUndone() { return g_arrNotUndone; }

void UndoSteps(const Container::CArray<SUndoStep>& steps, const SUndoStep& seen, bool recovering)
{
    g_arrNotUndone.RemoveAll();
    const bool newer = HasNewerInstallation(steps, seen);
    if (newer)
        LogLine("Undo: another installation of the application has completed in the same folder since this run "
                "began: the registry values and keys it may have written too are left");
    // Paths of files announced after a planned one: that later step is
    // the one to follow there.
    Container::CMap<CSmallString, bool> announcedLater;
    for (unsigned i = steps.GetSize(); i-- > 0;) {
        const SUndoStep& step = steps[i];
        switch (step.eKind) {
        case SJournalEntry::File:
        case SJournalEntry::Shortcut:
            // The file being made when the run was cut short may not have
            // been noted: the last one announced, or any planned one (only
            // the run made files there). One announced again later is
            // followed there.
            if (step.bPlanned && !step.bMade && announcedLater.FindValue(step.strPath))
                break;
            UndoFile(step, recovering && !step.bMade && (i == steps.GetSize() - 1 || step.bPlanned));
            if (recovering)
                announcedLater.SetAt(step.strPath, true);
            break;
        case SJournalEntry::Folder:
            if (RemoveDirectoryA(step.strPath))
                LogLine("Undo: removed folder %s", step.strPath.GetText());
            else if (GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
                LogLine("Undo: folder %s left in place: %s", step.strPath.GetText(), GetLastErrorString().GetText());
            break;
        case SJournalEntry::Key:
            if (!newer)
                UndoKey(step);
            break;
        case SJournalEntry::Value:
            if (!newer)
                UndoValue(step);
            break;
        case SJournalEntry::Dll:
            UndoDll(steps, i);
            break;
        }
    }
}

void ReadUndoSteps(const Container::CArray<JournalText::CFields>& lines, const CSmallString& folder,
                   Container::CArray<SUndoStep>& steps, SUndoStep& seen, bool& committed)
{
    steps.RemoveAll();
    seen = SUndoStep();
    committed = false;
    for (unsigned l = 0; l < lines.GetSize(); l++) {
        const JournalText::CFields& f = lines[l];
        const CSmallString& kind = f[0];
        const unsigned n = f.GetSize();
        SUndoStep step;
        if (kind == JournalRecord::kFile && n >= 3) {
            step.eKind = SJournalEntry::File;
            step.strPath = f[1];
            if (IsBackupName(f[2]))
                step.strBackup = folder + f[2];
        } else if (kind == JournalRecord::kPlanned && n >= 2) {
            step.eKind = SJournalEntry::File;
            step.strPath = f[1];
            step.bPlanned = true;
        } else if ((kind == JournalRecord::kFolder || kind == JournalRecord::kKey || kind == JournalRecord::kDll) &&
                   n >= 2) {
            step.eKind = kind == JournalRecord::kFolder ? SJournalEntry::Folder
                         : kind == JournalRecord::kKey  ? SJournalEntry::Key
                                                        : SJournalEntry::Dll;
            step.strPath = f[1];
        } else if (kind == JournalRecord::kValue && n >= 6) {
            step.eKind = SJournalEntry::Value;
            step.strPath = f[1];
            step.strName = f[2];
            step.bExisted = f[3] == "1";
            step.dwType = strtoul(f[4], nullptr, 10);
            if (!JournalText::FromHex(f[5], step.arrData))
                continue;
        } else {
            if (kind == JournalRecord::kMade && n >= 5 && f[3].GetLength() == 16) {
                if (SUndoStep* made = FindStep(steps, SJournalEntry::File, f[1], nullptr)) {
                    made->bMade = true;
                    made->dwVolume = ParseHex(f[2]);
                    made->dwIndexHigh = ParseHex(f[3].Mid(0, 8));
                    made->dwIndexLow = ParseHex(f[3].Mid(8, 8));
                    made->bSized = !f[4].IsEmpty();
                    made->ullSize = strtoull(f[4], nullptr, 10);
                }
            } else if (kind == JournalRecord::kWrote && n >= 6) {
                SUndoStep* wrote = FindStep(steps, SJournalEntry::Value, f[1], &f[2]);
                if (wrote && JournalText::FromHex(f[5], wrote->arrWritten)) {
                    wrote->bWritten = true;
                    wrote->bWrittenExists = f[3] == "1";
                    wrote->dwWrittenType = strtoul(f[4], nullptr, 10);
                }
            } else if (kind == JournalRecord::kSeen && n >= 5) {
                seen.strPath = f[1];
                seen.bMade = seen.bSized = f[3].GetLength() == 16;
                if (seen.bMade) {
                    seen.dwVolume = ParseHex(f[2]);
                    seen.dwIndexHigh = ParseHex(f[3].Mid(0, 8));
                    seen.dwIndexLow = ParseHex(f[3].Mid(8, 8));
                    seen.ullSize = strtoull(f[4], nullptr, 10);
                }
            } else if (kind == JournalRecord::kCommit) {
                committed = true;
            }
            continue;
        }
        steps.Add(step);
    }
}
