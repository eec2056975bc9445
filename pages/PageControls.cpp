#include "PageControls.h"

#include <windows.h>
#include <commctrl.h>

#include "WizardState.h"
#include "ExitCodes.h"
#include "Bitmap.h"
#include "Caught.h"
#include "SetupLog.h"
#include "UserMessages.h"
#include "resource.h"
#include "win32/GdiHandles.h"
#include "win32/ResString.h"

void CentreWindow(HWND window, HWND relativeTo)
{
    RECT own, area;
    if (!GetWindowRect(window, &own) || !GetWindowRect(relativeTo, &area))
        return;
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    // A window larger than the area keeps its title bar reachable.
    if (x < area.left)
        x = area.left;
    if (y < area.top)
        y = area.top;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool PaintLogo(HWND page)
{
    if (!g_hInstallerLogo)
        return false;
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(page, &paint);
    if (dc) {
        const SIZE size = GetLogoSize();
        // A mirrored page (Arabic, Hebrew) keeps the logo as drawn.
        if (GetLayout(dc) & LAYOUT_RTL)
            SetLayout(dc, LAYOUT_RTL | LAYOUT_BITMAPORIENTATIONPRESERVED);
        DrawBitmap(dc, g_hInstallerLogo, 0, 0, size.cx, size.cy);
    }
    EndPaint(page, &paint);
    return true;
}

RECT GetRectInPage(HWND page, int id)
{
    RECT rect = {0, 0, 0, 0};
    GetWindowRect(GetDlgItem(page, id), &rect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The dialogs grow with the system's DPI (their units follow the font);
// the logo grows with them rather than shrinking beside the text.
SIZE GetLogoSize()
{
    SIZE size = {0, 0};
    if (!g_hInstallerLogo)
        return size;
    int dpi = 96;
    const CWindowDC screen(nullptr);
    if (screen)
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
    if (dpi <= 96)
        return g_szInstallerLogoSize;
    size.cx = MulDiv(g_szInstallerLogoSize.cx, dpi, 96);
    size.cy = MulDiv(g_szInstallerLogoSize.cy, dpi, 96);
    return size;
}

void SetWizardNext(HWND page, const char* text, DWORD buttons)
{
    const HWND sheet = GetParent(page);
    SetWindowTextA(GetDlgItem(sheet, IDC_WIZARD_NEXT), text);
    PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, (LPARAM)buttons);
}

void TranslateControls(HWND dialog, const SControlText* texts, unsigned count)
{
    for (unsigned i = 0; i < count; i++)
        if (const char* text = GetTranslatedText(texts[i].uText))
            SetDlgItemTextA(dialog, texts[i].nControl, text);
}

void KeepLeftToRight(HWND control)
{
    const LONG style = GetWindowLongA(control, GWL_EXSTYLE);
    const LONG ltr = style & ~(WS_EX_LAYOUTRTL | WS_EX_RTLREADING | WS_EX_RIGHT | WS_EX_LEFTSCROLLBAR);
    if (ltr != style) {
        SetWindowLongA(control, GWL_EXSTYLE, ltr);
        InvalidateRect(control, nullptr, TRUE);
    }
}

void TranslateSheetButtons(HWND page)
{
    static const SControlText s_texts[] = {{IDC_WIZARD_BACK, IDS_BACK}, {IDCANCEL, IDS_CANCEL}};
    TranslateControls(GetParent(page), s_texts, sizeof(s_texts) / sizeof(s_texts[0]));
}

void FocusSheetButton(HWND page, int id)
{
    const HWND sheet = GetParent(page);
    PostMessageA(sheet, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(sheet, id), TRUE);
}

INT_PTR SetPageResult(HWND page, LONG result)
{
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR RunGuarded(PageHandler handler, HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    INT_PTR result = FALSE;
    CSmallString why;
    bool handled = false;
    try {
        handled = RunCaught([&] { result = handler(page, message, wParam, lParam); }, why);
    } catch (...) {
        SetReason(why, "an unknown exception");
    }
    if (handled)
        return result;
    // A page that failed would sit there doing nothing: say why and end.
    LogLine("Unexpected error: %s", why.GetText());
    CSmallString text;
    text.Format(CResString(IDS_UNEXPECTED_ERROR), why.GetText());
    Error(text);
    g_nExitCode = ExitCode::Failed;
    g_bClosing = true;
    PostMessageA(GetParent(page), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    return FALSE;
}

bool IsFaultAsked(const char* where)
{
    char value[16] = {0};
    return GetEnvironmentVariableA("KX_TEST_FAULT", value, sizeof(value)) && lstrcmpA(value, where) == 0;
}
