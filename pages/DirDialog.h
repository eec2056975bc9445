// The shell's folder browser.
#pragma once

#include <windows.h>

#include "SmallString.h"

class CDirDialog
{
public:
    CDirDialog(const char* title, const char* initialFolder, HWND owner);
    virtual ~CDirDialog() {}

    // Shows the browser; true when the user chose a file-system folder.
    bool DoBrowse();
    // The chosen folder; empty until DoBrowse succeeds.
    const CSmallString& GetPath() const { return m_strPath; }

private:
    static int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data);

    CSmallString m_strInitialFolder;
    CSmallString m_strTitle;
    CSmallString m_strPath;
    HWND m_hwndOwner;
};
