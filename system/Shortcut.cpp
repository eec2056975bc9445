#include "Shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "SmallString.h"
#include "ReleasePtr.h"
#include "win32/ComHandles.h"

namespace {
// The link's working folder when the caller gives none: the target's own
// folder, keeping the backslash only for a drive root ("C:\").
CSmallString FolderOf(const char* target)
{
    const char* pLast = nullptr;
    for (const char* p = target; *p; p = CharNextA(p))
        if (*p == '\\' || *p == '/')
            pLast = p;
    if (!pLast)
        return CSmallString();
    int len = (int)(pLast - target);
    if (len == 2 && target[1] == ':')
        ++len;
    return CSmallString(target, len);
}

bool SaveLink(IShellLinkA* pLink, const char* linkPath, const SShortcut& details)
{
    if (FAILED(pLink->SetPath(details.pszTarget)))
        return false;
    const CSmallString strFolder =
        details.pszWorkingFolder ? CSmallString(details.pszWorkingFolder) : FolderOf(details.pszTarget);
    if (!strFolder.IsEmpty() && FAILED(pLink->SetWorkingDirectory(strFolder)))
        return false;
    if (FAILED(pLink->SetShowCmd(details.nShowCommand)))
        return false;
    if (details.pszArguments && *details.pszArguments && FAILED(pLink->SetArguments(details.pszArguments)))
        return false;
    if (details.pszIconFile && *details.pszIconFile &&
        FAILED(pLink->SetIconLocation(details.pszIconFile, details.nIconIndex)))
        return false;
    if (details.pszDescription && *details.pszDescription && FAILED(pLink->SetDescription(details.pszDescription)))
        return false;

    WCHAR wszLink[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wszLink, MAX_PATH))
        return false;

    CReleasePtr<IPersistFile> file;
    if (FAILED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Receive()))))
        return false;
    return SUCCEEDED(file->Save(wszLink, TRUE));
}
HRESULT CreateShellLink(CReleasePtr<IShellLinkA>& link)
{
    return CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                            reinterpret_cast<void**>(link.Receive()));
}
} // namespace

bool CreateShortcut(const char* linkPath, const SShortcut& details)
{
    if (!linkPath || !*linkPath || !details.pszTarget || !*details.pszTarget)
        return false;

    {
        CReleasePtr<IShellLinkA> link;
        const HRESULT hr = CreateShellLink(link);
        if (hr != CO_E_NOTINITIALIZED)
            return SUCCEEDED(hr) && link && SaveLink(link.Get(), linkPath, details);
    }
    // The program initialises COM at start; a caller on another thread may
    // not have, so initialise just for this call (the link goes first).
    const CComInit com;
    CReleasePtr<IShellLinkA> link;
    return SUCCEEDED(CreateShellLink(link)) && link && SaveLink(link.Get(), linkPath, details);
}

bool CreateShortcut(const char* linkPath, const char* target, const char* workingFolder, int showCommand)
{
    SShortcut details;
    details.pszTarget = target;
    details.pszWorkingFolder = workingFolder;
    details.nShowCommand = showCommand;
    return CreateShortcut(linkPath, details);
}

CSmallString GetShortcutTarget(const char* linkPath)
{
    WCHAR wide[MAX_PATH];
    if (!linkPath || !MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wide, MAX_PATH))
        return CSmallString();
    const CComInit com;
    CReleasePtr<IShellLinkA> link;
    CReleasePtr<IPersistFile> file;
    char target[MAX_PATH] = {0};
    if (FAILED(CreateShellLink(link)) || !link ||
        FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Receive()))) ||
        FAILED(file->Load(wide, STGM_READ)) || FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)))
        return CSmallString();
    return CSmallString(target);
}

