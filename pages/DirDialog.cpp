#include "DirDialog.h"

#include <shlobj.h>

#include "WinPath.h"
#include "Folders.h"
#include "win32/ComHandles.h"

CDirDialog::CDirDialog(const char* title, const char* initialFolder, HWND owner)
    : m_strInitialFolder(initialFolder), m_strTitle(title), m_hwndOwner(owner)
{
}

// The proposed destination usually does not exist yet: select the nearest
// folder above it that does, so the user starts close to it.
static void SelectNearestFolder(HWND browser, const char* folder)
{
    char path[MAX_PATH + 1];
    lstrcpynA(path, folder, sizeof(path));
    while (*path) {
        int length = lstrlenA(path);
        while (length > 3 && (path[length - 1] == '\\' || path[length - 1] == '/'))
            path[--length] = 0;
        if (DoesFileExist(path)) {
            SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path));
            return;
        }
        const int before = length;
        WinPath::RemoveFilename(path, path);
        if (lstrlenA(path) >= before)
            return;
    }
}

int CALLBACK CDirDialog::BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM data)
{
    const CDirDialog* dialog = reinterpret_cast<const CDirDialog*>(data);
    if (message == BFFM_INITIALIZED && dialog && !dialog->m_strInitialFolder.IsEmpty())
        SelectNearestFolder(browser, dialog->m_strInitialFolder);
    return 0;
}

bool CDirDialog::DoBrowse()
{
    char path[MAX_PATH + 1] = {0};
    BROWSEINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.hwndOwner = m_hwndOwner;
    info.pszDisplayName = path;
    info.lpszTitle = m_strTitle;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_NEWDIALOGSTYLE;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);

    // The new dialog style needs COM on this thread; the shell allocates
    // the list with COM's task allocator.
    const CComInit com;
    const CCoTaskMemory<LPITEMIDLIST> item(SHBrowseForFolderA(&info));
    if (!item || !SHGetPathFromIDListA(item.Get(), path))
        return false;
    m_strPath = path;
    return true;
}
