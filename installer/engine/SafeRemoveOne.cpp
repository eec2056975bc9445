// The remover's single-item removals: one file (remove-file), and folders
// and keys that go only once nothing is left in them (if-empty), as a
// generated log removes what held the installed files and values.
#include "SafeRemover.h"

#include <windows.h>

#include <cstring>

#include "Exceptions.h"
#include "Folders.h"
#include "InstallRecord.h"
#include "Registry.h"
#include "RegistryKeyPath.h"
#include "SetupLog.h"
#include "WinPath.h"
#include "win32/Handles.h"

namespace {

// Whether folder holds nothing but keep and the folders on the way to it.
bool HoldsOnly(const CSmallString& folder, const CSmallString& keep)
{
    WIN32_FIND_DATAA fd;
    CFindHandle find;
    for (bool found = find.First(folder + "\\*", fd); found; found = find.Next(fd)) {
        if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, ".."))
            continue;
        const CSmallString child = folder + "\\" + fd.cFileName;
        if (!WinPath::IsSameOrInside(keep, child))
            return false;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !HoldsOnly(child, keep))
            return false;
    }
    return true;
}

} // namespace

void CSafeRemover::RemoveFile(const CSmallString& path)
{
    if (path.IsEmpty())
        return;
    // Its folder as the system names it, the file itself not followed: a
    // link there goes, never what it points to.
    const CSmallString target = ResolveAllButLast(path);
    if (target.IsEmpty())
        return Refuse(path, "not a full path");
    const DWORD attributes = GetFileAttributesA(target);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            LogLine("Not present: %s", target.GetText());
        else
            Failed(target, GetLastErrorString((int)error));
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return Refuse(target, "a folder, not a file");
    // The installation may have replaced a system file there: never taken
    // away. (The other protected places are folders, refused above.)
    if (IsInsideWindowsFolder(target, true))
        return Refuse(target, "a file of the Windows folder");
    // Files outside the installation's folder are never the uninstaller's
    // (its shortcuts go by remove-shortcut).
    if (!IsInside(target))
        return Refuse(target, IsWrittenInside(path) ? "reached through a link, which is never followed"
                                                    : "outside the installation's folder");
    if (const char* why = WhyNeverRemoved(target))
        return Refuse(target, why);
    if (m_pRecord && !m_pRecord->HasFile(path) && !m_pRecord->HasFile(target))
        return Refuse(target, "not written by the installation");
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return LeaveLink(target);
    DeleteOne(target);
    PutBack(path, target);
}

void CSafeRemover::RemoveEmptyFolder(const CSmallString& path)
{
    const CSmallString target = ResolveAllButLast(path);
    if (target.IsEmpty())
        return Refuse(path, "not a full path");
    const DWORD attributes = GetFileAttributesA(target);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        LogLine("Not present: %s", target.GetText());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Refuse(path, "not a folder");
    const bool inside = IsInside(target);
    if (m_pRecord) {
        bool existed = false;
        const bool known = m_pRecord->GetTargetExisted(path, false, existed);
        if (known && existed) {
            LogLine("Kept %s: it was there before the installation", target.GetText());
            return;
        }
        if (!inside && !m_pRecord->HasFolder(path))
            return Refuse(target, "outside the installation's folder and not created by the installation");
        if (!known && !m_pRecord->IsInCreatedFolder(target)) {
            LogLine("Kept %s: it was there before the installation", target.GetText());
            return;
        }
    } else if (!inside) {
        return Refuse(target, IsWrittenInside(path) ? "reached through a link, which is never followed"
                                                    : "outside the installation's folder");
    }
    if (const char* why = WhyNeverRemoved(target))
        return Refuse(target, why);
    if (IsLink(target))
        return LeaveLink(target);
    if (RemoveDirectoryA(target)) {
        LogLine("Removed folder %s", target.GetText());
        return;
    }
    // Empty but for the uninstaller that waits for us, whose file the log
    // removed: both go once it has ended.
    const CSmallString keep = WinPath::Normalise(m_strKeep);
    if (m_bKeptRemoved && WinPath::IsSameOrInside(keep, target) && HoldsOnly(target, keep)) {
        m_arrKeptFolders.Add(target);
        LogLine("Removed folder %s (with the uninstaller's own file, once that has ended)", target.GetText());
        return;
    }
    NotEmpty(target, "not empty");
}

void CSafeRemover::RemoveEmptyKey(const CSmallString& formatted, const CSmallString& subkey, bool isEntry, int kind,
                                  const CSmallString& entry)
{
    RegistryKeyPath::SKey key;
    RegistryKeyPath::Parse(formatted, key);
    const HKEY root = GetRegistryRoot(RegistryKeyPath::RootName(key.eRoot));
    DWORD subkeys = 0, values = 0;
    {
        CRegKey open;
        LONG rc = open.Open(root, subkey, KEY_READ);
        if (rc == ERROR_SUCCESS)
            rc = CountRegistryKeyContents(open, &subkeys, &values);
        if (rc != ERROR_SUCCESS)
            return Failed(formatted, GetLastErrorString((int)rc));
    }
    if (subkeys || values) {
        LogLine("Kept key %s: not empty", formatted.GetText());
        return;
    }
    if (m_pRecord) {
        bool existed = false;
        const bool known = m_pRecord->GetTargetExisted(formatted, true, existed);
        if (known ? existed : !CreatedKey(formatted, subkey)) {
            LogLine("Kept key %s: it was there before the installation", formatted.GetText());
            return;
        }
    } else if (isEntry && !OwnsEntry(kind, formatted, subkey, entry)) {
        return Refuse(formatted, "another program's entry, not created by the installation");
    }
    const LONG rc = DeleteEmptyRegistryKey(root, subkey);
    if (rc == ERROR_SUCCESS)
        LogLine("Removed key %s", formatted.GetText());
    else
        Failed(formatted, GetLastErrorString((int)rc));
}
