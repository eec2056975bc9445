#include "UninstallProgress.h"

#include <commctrl.h>

#include "PageControls.h"
#include "UserMessages.h"
#include "resource.h"
#include "win32/ResString.h"

namespace {

INT_PTR CALLBACK DialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    // Nothing stops an uninstall halfway: the close box does nothing.
    return message == WM_INITDIALOG || message == WM_CLOSE;
}

} // namespace

void CUninstallProgress::OnRemovalStart(unsigned steps)
{
    if (m_hwnd)
        return;
    m_hwnd = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_UNINSTALL_PROGRESS), nullptr,
                                DialogProc, 0);
    // Without the window the uninstall goes on as an unattended one would.
    if (!m_hwnd)
        return;
    SetWindowTextA(m_hwnd, GetUninstallCaption(m_strAppName));
    CSmallString removing;
    removing.Format(CResString(IDS_UNINSTALL_REMOVING), m_strAppName.GetText());
    SetDlgItemTextA(m_hwnd, IDC_PROGRESS_TEXT, removing);
    g_hwndMain = m_hwnd;
    g_hwndProgress = GetDlgItem(m_hwnd, IDC_PROGRESS_BAR);
    g_hwndProgressFile = GetDlgItem(m_hwnd, IDC_PROGRESS_FILE);
    KeepLeftToRight(g_hwndProgressFile);
    SendMessageA(g_hwndProgress, PBM_SETRANGE32, 0, CProgress::kRange);
    m_progress.SetSteps(steps);
    CentreWindow(m_hwnd, GetDesktopWindow());
    ShowWindow(m_hwnd, SW_SHOW);
    SetForegroundWindow(m_hwnd);
    UpdateWindow(m_hwnd);
}

bool CUninstallProgress::OnItemExecuted(unsigned int index) { return !m_hwnd || m_progress.OnItemExecuted(index); }

bool CUninstallProgress::OnWorking() { return !m_hwnd || m_progress.OnWorking(); }

void CUninstallProgress::OnProgress(unsigned long long done, unsigned long long total, const char* item)
{
    if (m_hwnd)
        m_progress.OnProgress(done, total, item);
}

void CUninstallProgress::Close()
{
    if (!m_hwnd)
        return;
    DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
    g_hwndMain = g_hwndProgress = g_hwndProgressFile = nullptr;
}
