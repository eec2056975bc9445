#include "KeptFiles.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "Security.h"
#include "SetupLog.h"
#include "WinPath.h"

namespace {

const char kPrefix[] = "kxsetup-";

CSmallString ShellFolder(int csidl)
{
    char folder[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return CSmallString();
    return WinPath::Normalise(folder, lstrlenA(folder));
}

} // namespace

CSmallString CreateUserKeptFolder()
{
    CSmallString base = ShellFolder(CSIDL_LOCAL_APPDATA);
    if (base.IsEmpty())
        return CSmallString();
    WinPath::EndWithBackslash(base);
    return CreatePrivateFolder(base, kPrefix, FolderForThisUser);
}

bool IsKeptFilePath(const CSmallString& path, bool forAdministrators)
{
    const CSmallString normalised = WinPath::Normalise(path);
    const CSmallString base = ShellFolder(forAdministrators ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA);
    if (normalised.IsEmpty() || base.IsEmpty() || !WinPath::IsSameOrInside(normalised, base) ||
        normalised.GetLength() <= base.GetLength())
        return false;
    // <base>\kxsetup-<16 hex>\<number>
    const CSmallString rest = normalised.Mid(base.GetLength() + 1, normalised.GetLength());
    const int prefix = (int)sizeof(kPrefix) - 1, number = rest.GetLength() - prefix - 17;
    if (number < 1 || number > 9 || lstrcmpiA(rest.Mid(0, prefix), kPrefix) != 0 || rest.GetAt(prefix + 16) != '\\')
        return false;
    for (int i = prefix; i < prefix + 16; i++)
        if (!strchr("0123456789abcdef", rest.GetAt(i)))
            return false;
    for (int i = prefix + 17; i < rest.GetLength(); i++)
        if (rest.GetAt(i) < '0' || rest.GetAt(i) > '9')
            return false;
    return true;
}

void RemoveKeptFolderIfEmpty(const CSmallString& path)
{
    CSmallString folder = WinPath::Normalise(path);
    WinPath::RemoveFilename(folder, folder.GetBuffer(folder.GetLength()));
    folder.ReleaseBuffer(-1);
    if (!folder.IsEmpty() && RemoveDirectoryA(folder))
        LogLine("Removed %s, where the files the installation replaced were kept", folder.GetText());
}
