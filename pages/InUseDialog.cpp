#include "InUseDialog.h"

#include "PageControls.h"
#include "PageLayout.h"
#include "UserMessages.h"
#include "resource.h"
#include "win32/ResString.h"

namespace {

// A screenful; the setup log has them all.
const unsigned kMaxListed = 10;

struct SDialogTexts
{
    const char* pszCaption;
    const char* pszText;
    bool bCanClose;
    bool bAtRestart;
};

CSmallString FolderForUser(const char* folder)
{
    CSmallString shown(folder);
    if (shown.GetLength() > 3 && shown.GetAt(shown.GetLength() - 1) == '\\')
        shown.Delete(shown.GetLength() - 1, 1);
    return shown;
}

CSmallString ListLines(const Container::CArray<CSmallString>& items)
{
    CSmallString list;
    const unsigned shown = items.GetSize() < kMaxListed ? items.GetSize() : kMaxListed;
    for (unsigned i = 0; i < shown; i++)
        list += CSmallString("- ") + items[i] + "\n";
    if (shown < items.GetSize())
        list.Addf("... and %u more\n", items.GetSize() - shown);
    if (!list.IsEmpty())
        list.Delete(list.GetLength() - 1, 1);
    return list;
}

// Each name once: two windows of one editor are one program to the user.
Container::CArray<CSmallString> ProgramNames(const CRunningPrograms& programs)
{
    Container::CArray<CSmallString> names;
    for (unsigned i = 0; i < programs.GetPrograms().GetSize(); i++) {
        const CSmallString& name = programs.GetPrograms()[i].strName;
        bool known = false;
        for (unsigned n = 0; n < names.GetSize() && !known; n++)
            known = names[n] == name;
        if (!known)
            names.Add(name);
    }
    return names;
}

// Below the folder, as the user knows the files there.
Container::CArray<CSmallString> FileNames(const char* folder, const Container::CArray<CSmallString>& files)
{
    CSmallString prefix(folder);
    if (!prefix.IsEmpty() && prefix.GetAt(prefix.GetLength() - 1) != '\\')
        prefix += '\\';
    Container::CArray<CSmallString> names;
    for (unsigned i = 0; i < files.GetSize(); i++) {
        const CSmallString& file = files[i];
        const bool below =
            file.GetLength() > prefix.GetLength() && file.Mid(0, prefix.GetLength()).IsSameNoCase(prefix);
        names.Add(below ? file.Mid(prefix.GetLength(), file.GetLength() - prefix.GetLength()) : file);
    }
    return names;
}


INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const SDialogTexts* texts = reinterpret_cast<const SDialogTexts*>(lParam);
        SetWindowTextA(dialog, texts->pszCaption);
        LayOutInUseDialog(dialog, texts->pszText, texts->bCanClose, texts->bAtRestart);
        const HWND owner = GetWindow(dialog, GW_OWNER);
        CentreWindow(dialog, owner ? owner : GetDesktopWindow());
        SetForegroundWindow(dialog);
        // Focus on the default button, which LayOutInUseDialog chose.
        SetFocus(GetDlgItem(dialog, texts->bCanClose ? IDC_IN_USE_CLOSE : IDC_IN_USE_RETRY));
        return FALSE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if ((id == IDC_IN_USE_CLOSE || id == IDC_IN_USE_RETRY || id == IDC_IN_USE_AT_RESTART || id == IDCANCEL) &&
            IsWindowEnabled(GetDlgItem(dialog, id))) {
            EndDialog(dialog, id);
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}

} // namespace

CSmallString DescribeProgramsInUse(const char* folder, const CRunningPrograms& programs, bool notClosed)
{
    const CSmallString shown = FolderForUser(folder);
    const Container::CArray<CSmallString> names = ProgramNames(programs);
    CSmallString text;
    if (names.GetSize() == 1)
        text.Format(CResString(IDS_IN_USE_PROGRAM), names[0].GetText(), shown.GetText());
    else if (names.GetSize() > 1)
        text.Format(CResString(IDS_IN_USE_PROGRAMS), shown.GetText(), ListLines(names).GetText());
    if (!programs.GetHeldFiles().IsEmpty()) {
        CSmallString files;
        files.Format(CResString(IDS_IN_USE_FILES), shown.GetText(),
                     ListLines(FileNames(folder, programs.GetHeldFiles())).GetText());
        text += (text.IsEmpty() ? "" : "\n\n") + files;
    }
    if (notClosed)
        text += CSmallString("\n\n") + (const char*)CResString(IDS_IN_USE_NOT_CLOSED);
    return text;
}

void LayOutInUseDialog(HWND dialog, const char* text, bool canClose, bool atRestart)
{
    static const SControlText s_buttons[] = {{IDC_IN_USE_AT_RESTART, IDS_AT_RESTART},
                                             {IDC_IN_USE_CLOSE, IDS_CLOSE_THEM},
                                             {IDC_IN_USE_RETRY, IDS_RETRY},
                                             {IDCANCEL, IDS_CANCEL}};
    TranslateControls(dialog, s_buttons, sizeof(s_buttons) / sizeof(s_buttons[0]));
    SetDlgItemTextA(dialog, IDC_IN_USE_TEXT, text);
    SetDlgItemTextA(dialog, IDC_IN_USE_HINT, CResString(atRestart ? IDS_IN_USE_HINT_AT_RESTART : IDS_IN_USE_HINT));
    const HWND later = GetDlgItem(dialog, IDC_IN_USE_AT_RESTART);
    ShowWindow(later, atRestart ? SW_SHOWNA : SW_HIDE);
    EnableWindow(later, atRestart);
    // Files whose holder has no name leave nothing to ask: Retry, once the
    // user has closed it.
    EnableWindow(GetDlgItem(dialog, IDC_IN_USE_CLOSE), canClose);
    if (!canClose) {
        SendDlgItemMessageA(dialog, IDC_IN_USE_CLOSE, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        SendDlgItemMessageA(dialog, IDC_IN_USE_RETRY, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        SendMessageA(dialog, DM_SETDEFID, IDC_IN_USE_RETRY, 0);
    }
    WidenForLongWords(dialog, IDC_IN_USE_TEXT);
    static const int s_row[] = {IDC_IN_USE_AT_RESTART, IDC_IN_USE_CLOSE, IDC_IN_USE_RETRY, IDCANCEL};
    FitButtonRow(dialog, s_row, sizeof(s_row) / sizeof(s_row[0]));
    FitTexts(dialog);
    FitDialogToControls(dialog);
}

int AskAboutProgramsInUse(HWND owner, const char* caption, const char* folder, const CRunningPrograms& programs,
                          bool notClosed, bool atRestart)
{
    const CSmallString text = DescribeProgramsInUse(folder, programs, notClosed);
    const SDialogTexts texts = {caption, text, !programs.GetPrograms().IsEmpty(), atRestart};
    const INT_PTR answer = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRAMS_IN_USE), owner,
                                           DialogProc, reinterpret_cast<LPARAM>(&texts));
    if (answer == IDC_IN_USE_CLOSE || answer == IDC_IN_USE_RETRY || answer == IDC_IN_USE_AT_RESTART ||
        answer == IDCANCEL)
        return (int)answer;
    // Without the dialog, what is in use in a message box: Retry, or
    // Cancel, which changes nothing.
    return KxMessageBox(owner, text, caption, MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY ? IDC_IN_USE_RETRY : IDCANCEL;
}
