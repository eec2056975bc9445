#include "RestartQuestion.h"

#include "PageControls.h"
#include "PageLayout.h"
#include "RestartWindows.h"
#include "SetupLog.h"
#include "SmallString.h"
#include "UserMessages.h"
#include "resource.h"
#include "Exceptions.h"
#include "win32/ResString.h"

namespace {

bool g_bNeverRestart = false;

struct SQuestion
{
    const char* pszCaption;
    const char* pszText;
};

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const SQuestion* question = reinterpret_cast<const SQuestion*>(lParam);
        SetWindowTextA(dialog, question->pszCaption);
        LayOutRestartQuestion(dialog, question->pszText);
        const HWND owner = GetWindow(dialog, GW_OWNER);
        CentreWindow(dialog, owner ? owner : GetDesktopWindow());
        SetForegroundWindow(dialog);
        SetFocus(GetDlgItem(dialog, IDCANCEL)); // Later: a restart is never one keystroke away
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_RESTART_NOW || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

} // namespace

void LayOutRestartQuestion(HWND dialog, const char* text)
{
    SetDlgItemTextA(dialog, IDC_RESTART_TEXT, text);
    static const SControlText s_buttons[] = {{IDC_RESTART_NOW, IDS_RESTART_NOW}, {IDCANCEL, IDS_LATER}};
    TranslateControls(dialog, s_buttons, sizeof(s_buttons) / sizeof(s_buttons[0]));
    static const int s_row[] = {IDC_RESTART_NOW, IDCANCEL};
    FitButtonRow(dialog, s_row, 2);
    WidenForLongWords(dialog, IDC_RESTART_TEXT);
    FitTexts(dialog);
    FitDialogToControls(dialog);
}

void SetNeverRestart(bool never) { g_bNeverRestart = never; }

bool IsRestartOffered() { return !IsUnattended() && !g_bNeverRestart; }

void OfferWindowsRestart(HWND owner, const char* caption, const char* appName, bool installed, const char* more)
{
    if (!IsRestartOffered()) {
        LogLine("A restart finishes the run: Windows is not restarted (%s)", g_bNeverRestart ? "/NORESTART" : "unattended");
        return;
    }
    CSmallString text;
    text.Format(CResString(installed ? IDS_RESTART_NEEDED_INSTALL : IDS_RESTART_NEEDED_UNINSTALL), appName);
    if (more && *more) {
        // The list before the question, which stays last.
        const int question = text.Find("\n\n");
        if (question >= 0)
            text.Insert(question, more);
        else
            text += more;
    }
    LogLine("Message [%s]: %s", caption, text.GetText());
    const SQuestion question = {caption, text};
    INT_PTR answer = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RESTART_NEEDED), owner,
                                     DialogProc, reinterpret_cast<LPARAM>(&question));
    // Without the dialog, a message box asks the same.
    if (answer != IDC_RESTART_NOW && answer != IDCANCEL)
        answer = KxMessageBox(owner, text, caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES ? IDC_RESTART_NOW : IDCANCEL;
    LogLine("Answer: %s", answer == IDC_RESTART_NOW ? "Restart now" : "Later");
    if (answer == IDC_RESTART_NOW && !RestartWindows())
        LogLine("Windows could not be restarted: %s", GetLastErrorString().GetText());
}
