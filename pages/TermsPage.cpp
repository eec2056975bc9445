// First page: the terms text, accepted with "I Agree".
#include <windows.h>
#include <commctrl.h>

#include "WizardState.h"
#include "Exceptions.h"
#include "PageControls.h"
#include "PageLayout.h"
#include "Pages.h"
#include "SinReader.h"
#include "TermsEncoding.h"
#include "TextLines.h"
#include "Wizard.h"
#include "SetupLog.h"
#include "resource.h"
#include "win32/ResString.h"
#include "ScriptWords.h"

// Puts the heading beside the logo and the terms below it.
static void MakeRoomForLogo(HWND page)
{
    if (!g_hInstallerLogo)
        return;
    const SIZE logo = GetLogoSize();
    const RECT text = GetRectInPage(page, IDC_TERMS_TEXT);
    const RECT heading = GetRectInPage(page, IDC_TERMS_HEADING);
    const int below = logo.cy + 10;

    HDWP batch = BeginDeferWindowPos(2);
    if (batch && text.top < logo.cy) {
        int height = text.bottom - below;
        if (height < 0)
            height = 0;
        batch = DeferWindowPos(batch, GetDlgItem(page, IDC_TERMS_TEXT), nullptr, 0, below, text.right - text.left,
                               height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch) {
        // Never lower than the template made it: the heading has two lines.
        int height = heading.bottom - heading.top;
        if (height < below)
            height = below;
        batch = DeferWindowPos(batch, GetDlgItem(page, IDC_TERMS_HEADING), nullptr, logo.cx + 10, 0,
                               heading.right - heading.left - logo.cx - 10, height,
                               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    }
    if (batch)
        EndDeferWindowPos(batch);
}

static WNDPROC s_pfnTermsEdit = nullptr;

// A multi-line edit takes Tab, Enter and Esc for itself: read-only terms
// need none of them, and the keyboard would be trapped in the text. It keeps
// the arrows and Page Up/Down for scrolling; no select-all on Tab either.
static LRESULT CALLBACK TermsEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CallWindowProcA(s_pfnTermsEdit, edit, message, wParam, lParam);
    if (message == WM_GETDLGCODE)
        return result & ~(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | DLGC_WANTTAB | DLGC_HASSETSEL);
    return result;
}

static void LetKeysPassTerms(HWND page)
{
    const HWND edit = GetDlgItem(page, IDC_TERMS_TEXT);
    const WNDPROC previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TermsEditProc)));
    if (previous != TermsEditProc)
        s_pfnTermsEdit = previous;
}

// A longer footer (a translation's) grows below the page: it moves up, and
// the terms text above it gives up the height.
static void KeepFooterOnPage(HWND page)
{
    RECT client;
    GetClientRect(page, &client);
    const RECT footer = GetRectInPage(page, IDC_TERMS_FOOTER), terms = GetRectInPage(page, IDC_TERMS_TEXT);
    const LONG over = footer.bottom - client.bottom;
    if (over <= 0)
        return;
    SetWindowPos(GetDlgItem(page, IDC_TERMS_FOOTER), nullptr, footer.left, footer.top - over, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(GetDlgItem(page, IDC_TERMS_TEXT), nullptr, 0, 0, terms.right - terms.left,
                 terms.bottom - terms.top - over, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LayOutTermsPage(HWND page)
{
    static const SControlText s_texts[] = {{IDC_TERMS_HEADING, IDS_TERMS_HEADING}, {IDC_TERMS_FOOTER, IDS_TERMS_FOOTER}};
    TranslateControls(page, s_texts, sizeof(s_texts) / sizeof(s_texts[0]));
    MakeRoomForLogo(page);
    FitTexts(page);
    KeepFooterOnPage(page);
}

static INT_PTR OnNotify(HWND page, const NMHDR* header)
{
    switch (header->code) {
    case PSN_SETACTIVE: {
        LogPageShown("Terms and Conditions");
        CResString agree(IDS_I_AGREE);
        SetWizardNext(page, agree, PSWIZB_NEXT);
        FocusSheetButton(page, IDC_WIZARD_NEXT);
        CSmallString raw;
        g_reader.GetInstallItem(Setting::Terms, raw);
        const CSmallString terms = TermsAsUtf8(raw, (unsigned)raw.GetLength());
        CResString note(IDS_TERMS_CUT_NOTE);
        const char* noteText = note;
        SetDlgItemTextUtf8(page, IDC_TERMS_TEXT,
                           PrepareTermsText(terms, (unsigned)terms.GetLength(), noteText ? noteText : ""));
        return SetPageResult(page, 0);
    }
    case PSN_QUERYCANCEL:
        OnCancel(page);
        return TRUE;
    }
    return FALSE;
}

static INT_PTR HandleMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        CentreWindow(GetParent(page), GetDesktopWindow());
        TranslateSheetButtons(page);
        LayOutTermsPage(page);
        LetKeysPassTerms(page);
        return TRUE;
    case WM_PAINT:
        return PaintLogo(page);
    case WM_CTLCOLORSTATIC:
        // The read-only terms edit would otherwise be grey. The stock brush
        // is the system's: nothing to delete.
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) != IDC_TERMS_TEXT)
            return FALSE;
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    case WM_NOTIFY:
        return OnNotify(page, reinterpret_cast<const NMHDR*>(lParam));
    }
    return FALSE;
}

INT_PTR CALLBACK TermsAndConditionsWndProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RunGuarded(HandleMessage, page, message, wParam, lParam);
}
