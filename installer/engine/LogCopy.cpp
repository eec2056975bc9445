#include "LogCopy.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "Folders.h"
#include "Journal.h"
#include "Registry.h"
#include "Security.h"
#include "SetupLog.h"
#include "WinPath.h"
#include "win32/Handles.h"

const char kLogCopyValue[] = "KxUninstallLogCopy";

namespace {

const char kPrefix[] = "kxsetup-";
const char kFile[] = "uninstall.dat";
const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

CSmallString ProgramDataFolder()
{
    char folder[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return CSmallString();
    return WinPath::Normalise(folder, lstrlenA(folder));
}

} // namespace

CSmallString CreateLogCopyFolder(CSmallString& folder, CInstallJournal& journal)
{
    CSmallString base = ProgramDataFolder();
    if (base.IsEmpty())
        return CSmallString();
    WinPath::EndWithBackslash(base);
    for (int attempt = 0; attempt < 8; attempt++) {
        folder = NewPrivateFolderName(base, kPrefix);
        if (folder.IsEmpty())
            return CSmallString();
        journal.BeforeFolder(folder);
        if (CreateFolderWithAccess(folder, FolderForAdministrators))
            return folder + "\\" + kFile;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    folder.Empty();
    return CSmallString();
}

bool IsLogCopyPath(const CSmallString& path)
{
    const CSmallString normalised = WinPath::Normalise(path);
    const CSmallString base = ProgramDataFolder();
    if (normalised.IsEmpty() || base.IsEmpty() || !WinPath::IsSameOrInside(normalised, base))
        return false;
    // <base>\kxsetup-<16 hex>\uninstall.dat
    const CSmallString rest = normalised.Mid(base.GetLength() + 1, normalised.GetLength());
    const int prefix = (int)sizeof(kPrefix) - 1, name = (int)sizeof(kFile) - 1;
    if (rest.GetLength() != prefix + 16 + 1 + name || lstrcmpiA(rest.Mid(0, prefix), kPrefix) != 0 ||
        rest.GetAt(prefix + 16) != '\\' || lstrcmpiA(rest.Mid(prefix + 17, name), kFile) != 0)
        return false;
    for (int i = prefix; i < prefix + 16; i++)
        if (!strchr("0123456789abcdef", rest.GetAt(i)))
            return false;
    return true;
}

CSmallString FindLogCopy(const CSmallString& folder, CSmallString& entryKey, unsigned long& view)
{
    const CSmallString ours = ResolvePath(folder);
    for (const REGSAM wow64 : {(REGSAM)KEY_WOW64_32KEY, (REGSAM)KEY_WOW64_64KEY}) {
        CRegKey uninstall;
        if (uninstall.Open(HKEY_LOCAL_MACHINE, kUninstall, KEY_READ | wow64) != ERROR_SUCCESS)
            continue;
        const Container::CArray<CSmallString> names = ListRegistrySubkeys(uninstall);
        for (unsigned i = 0; i < names.GetSize(); i++) {
            const CSmallString& name = names[i];
            CRegKey entry;
            if (entry.Open(uninstall, name, KEY_QUERY_VALUE | wow64) != ERROR_SUCCESS)
                continue;
            const CSmallString copy = ReadRegistryText(entry, nullptr, kLogCopyValue);
            if (copy.IsEmpty())
                continue;
            const CSmallString location = ResolvePath(ReadRegistryText(entry, nullptr, "InstallLocation"));
            if (location.IsEmpty() || !WinPath::IsSameOrInside(location, ours) ||
                !WinPath::IsSameOrInside(ours, location))
                continue;
            entryKey = CSmallString(kUninstall) + "\\" + name;
            view = wow64;
            return copy;
        }
    }
    return CSmallString();
}

void RemoveLogCopy(const CSmallString& path)
{
    if (!IsLogCopyPath(path))
        return;
    CSmallString folder = WinPath::Normalise(path);
    WinPath::RemoveFilename(folder, folder.GetBuffer(folder.GetLength()));
    folder.ReleaseBuffer(-1);
    if (DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND) {
        if (RemoveDirectoryA(folder))
            LogLine("Removed the copy of the uninstall log kept for administrators: %s", path.GetText());
    }
}
