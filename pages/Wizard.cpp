#include "Wizard.h"

#include <windows.h>
#include <commctrl.h>

#include "ExitCodes.h"
#include "WizardState.h"
#include "Browser.h"
#include "Processes.h"
#include "SetupLog.h"
#include "SinReader.h"
#include "UserMessages.h"
#include "resource.h"
#include "win32/ResString.h"
#include "ScriptWords.h"

void OnCancel(HWND page)
{
    // Closing after an error that has been told: no question.
    if (g_bClosing) {
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
        return;
    }
    const CSmallString caption = GetInstallerCaption(g_reader);
    CResString question(g_bInstalling ? IDS_STOP_QUESTION : IDS_EXIT_QUESTION);
    const int answer = KxMessageBox(page, question, caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    // While the installation runs the wizard stays until it has undone
    // itself; the Progress page then closes it.
    if (g_bInstalling) {
        if (answer == IDYES)
            g_bCancelRequested = true;
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 1);
        return;
    }
    // The sheet reads the page's result: non-zero keeps the wizard open.
    SetWindowLongPtrA(page, DWLP_MSGRESULT, answer == IDYES ? 0 : 1);
    if (answer != IDYES)
        return;
    g_nExitCode = ExitCode::Cancelled;
    OpenCancelPage();
}

void OpenCancelPage()
{
    CSmallString url;
    if (g_reader.GetInstallItem(Setting::InstallCancelUrl, url) && !url.IsEmpty())
        GotoURL(url, SW_SHOWNORMAL);
}

// The extended template (DIALOGEX) starts with version 1 and 0xFFFF; its
// style sits behind the help id and the extended style.
struct CDialogTemplateEx
{
    WORD wVersion;
    WORD wSignature;
    DWORD dwHelpID;
    DWORD dwExStyle;
    DWORD dwStyle;
};

int CALLBACK PropSheetCallback(HWND, UINT message, LPARAM parameter)
{
    if (message != PSCB_PRECREATE || !parameter)
        return 0;
    DWORD* style;
    CDialogTemplateEx* ex = reinterpret_cast<CDialogTemplateEx*>(parameter);
    if (ex->wVersion == 1 && ex->wSignature == 0xFFFF)
        style = &ex->dwStyle;
    else
        style = &reinterpret_cast<DLGTEMPLATE*>(parameter)->style;
    if (!(*style & WS_SYSMENU))
        *style |= WS_SYSMENU;
    return 0;
}

void LogPageShown(const char* name)
{
    static bool s_bShown = false;
    if (s_bShown) {
        LogLine("Page: %s", name);
        return;
    }
    s_bShown = true;
    LogLine("Page: %s (%lu ms after the program started)", name, GetMsSinceProcessStart());
}
