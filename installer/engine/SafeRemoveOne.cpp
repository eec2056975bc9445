// The remover's single-item removals: one file (remove-file), and folders
// and keys that go only once nothing is left in them (if-empty), as a
// generated log removes what held the installed files and values.
#include "SafeRemover.h"

#include <windows.h>

#include <cstring>

#include "Exceptions.h"
#include "Folders.h"
#include "InstallRecord.h"
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
    const CSmallString resolved = ResolvePath(path);
    if (resolved.IsEmpty())
        return Refuse(path, "not a full path");
    const DWORD attributes = GetFileAttributesA(resolved);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            LogLine("Not present: %s", resolved.GetText());
        else
            Failed(resolved, GetLastErrorString((int)error));
        return;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return Refuse(resolved, "a folder, not a file");
    // The installation may have replaced a system file there: never taken
    // away. (The other protected places are folders, refused above.)
    if (IsInsideWindowsFolder(resolved, true))
        return Refuse(resolved, "a file of the Windows folder");
    if (m_pRecord) {
        if (!m_pRecord->HasFile(path) && !m_pRecord->HasFile(resolved))
            return Refuse(resolved, "not written by the installation");
    } else if (m_strResolved.IsEmpty() || !WinPath::IsSameOrInside(resolved, m_strResolved)) {
        return Refuse(resolved, "outside the installation's folder");
    }
    DeleteOne(resolved);
}

void CSafeRemover::RemoveEmptyFolder(const CSmallString& path)
{
    const CSmallString resolved = ResolvePath(path);
    if (resolved.IsEmpty())
        return Refuse(path, "not a full path");
    const DWORD attributes = GetFileAttributesA(resolved);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        LogLine("Not present: %s", resolved.GetText());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Refuse(path, "not a folder");
    if (m_pRecord) {
        bool existed = false;
        const bool known = m_pRecord->GetTargetExisted(path, false, existed);
        if (known ? existed : !m_pRecord->IsInCreatedFolder(resolved)) {
            LogLine("Kept %s: it was there before the installation", resolved.GetText());
            return;
        }
    } else if (m_strResolved.IsEmpty() || !WinPath::IsSameOrInside(resolved, m_strResolved)) {
        return Refuse(resolved, "outside the installation's folder");
    }
    if (IsProtectedFolder(resolved))
        return Refuse(resolved, "a drive, the Windows folder or a shared or personal folder, or one that holds it");
    if (RemoveDirectoryA(resolved)) {
        LogLine("Removed folder %s", resolved.GetText());
        return;
    }
    // Empty but for the uninstaller that waits for us, whose file the log
    // removed: both go once it has ended.
    const CSmallString keep = WinPath::Normalise(m_strKeep);
    if (m_bKeptRemoved && WinPath::IsSameOrInside(keep, resolved) && HoldsOnly(resolved, keep)) {
        m_arrKeptFolders.Add(resolved);
        LogLine("Removed folder %s (with the uninstaller's own file, once that has ended)", resolved.GetText());
        return;
    }
    LogLine("Kept %s: not empty", resolved.GetText());
}

void CSafeRemover::RemoveEmptyKey(const CSmallString& formatted, const CSmallString& subkey, bool isEntry, int kind,
                                  const CSmallString& entry)
{
    RegistryKeyPath::SKey key;
    RegistryKeyPath::Parse(formatted, key);
    const HKEY root = key.eRoot == RegistryKeyPath::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    DWORD subkeys = 0, values = 0;
    {
        CRegKey open;
        LONG rc = open.Open(root, subkey, KEY_READ);
        if (rc == ERROR_SUCCESS)
            rc = RegQueryInfoKeyA(open, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                  nullptr, nullptr, nullptr);
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
    const LONG rc = RegDeleteKeyA(root, subkey);
    if (rc == ERROR_SUCCESS)
        LogLine("Removed key %s", formatted.GetText());
    else
        Failed(formatted, GetLastErrorString((int)rc));
}
