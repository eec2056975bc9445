#include "Shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "SmallString.h"
#include "ReleasePtr.h"

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

bool SaveLink(IShellLinkA* pLink, const char* linkPath, const char* target, const char* workingFolder, int showCommand)
{
    if (FAILED(pLink->SetPath(target)))
        return false;
    const CSmallString strFolder = workingFolder ? CSmallString(workingFolder) : FolderOf(target);
    if (!strFolder.IsEmpty() && FAILED(pLink->SetWorkingDirectory(strFolder)))
        return false;
    if (FAILED(pLink->SetShowCmd(showCommand)))
        return false;

    WCHAR wszLink[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wszLink, MAX_PATH))
        return false;

    CReleasePtr<IPersistFile> file;
    if (FAILED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Receive()))))
        return false;
    return SUCCEEDED(file->Save(wszLink, TRUE));
}
} // namespace

bool CreateShortcut(const char* linkPath, const char* target, const char* workingFolder, int showCommand)
{
    if (!linkPath || !*linkPath || !target || !*target)
        return false;

    // The program initialises COM at start; a caller on another thread may
    // not have, so initialise just for this call and undo it afterwards.
    struct CComForThisCall
    {
        bool bInitialised = false;
        ~CComForThisCall()
        {
            if (bInitialised)
                CoUninitialize();
        }
    } com;
    CReleasePtr<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(link.Receive()));
    if (hr == CO_E_NOTINITIALIZED && SUCCEEDED(CoInitialize(nullptr))) {
        com.bInitialised = true;
        hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(link.Receive()));
    }
    return SUCCEEDED(hr) && link && SaveLink(link.Get(), linkPath, target, workingFolder, showCommand);
}
