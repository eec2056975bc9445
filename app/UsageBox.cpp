#include "UsageBox.h"

#include <windows.h>

#include <cstring>

#include "DllSearch.h"
#include "PageControls.h"
#include "SetupLog.h"
#include "resource.h"
#include "win32/GdiHandles.h"

namespace {

// Between the option and its description, as the usage was written.
const int g_nColumnGap = 2;

struct SUsageBox
{
    const char* pszText; // \r\n line ends, for the edit control
    const char* pszCaption;
    bool bWarning;
    CGdiObject<HFONT> font;
};

// The dialog's own font, fixed-width, at its height: it scales with the DPI as the dialog does.
HFONT CreateFixedFont(HWND dialog)
{
    LOGFONTA logFont;
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (!dialogFont || !GetObjectA(dialogFont, sizeof(logFont), &logFont))
        return nullptr;
    logFont.lfWidth = 0;
    logFont.lfWeight = FW_NORMAL;
    logFont.lfItalic = FALSE;
    logFont.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(logFont.lfFaceName, "Courier New", LF_FACESIZE);
    return CreateFontIndirectA(&logFont);
}

// The text's extent in the edit's font: its widest line, its lines' height.
SIZE MeasureText(HWND edit, const char* text, int& lineHeight)
{
    CWindowDC dc(edit);
    CSelection selected(dc, reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    lineHeight = metrics.tmHeight;
    SIZE extent = {0, 0};
    for (const char* line = text; line;) {
        const char* end = std::strstr(line, "\r\n");
        const int length = end ? (int)(end - line) : (int)std::strlen(line);
        SIZE lineExtent = {0, 0};
        GetTextExtentPoint32A(dc, line, length, &lineExtent);
        if (lineExtent.cx > extent.cx)
            extent.cx = lineExtent.cx;
        extent.cy += lineHeight;
        line = end ? end + 2 : nullptr;
    }
    // The caret's room at the end of the widest line.
    extent.cx += metrics.tmAveCharWidth;
    return extent;
}

// Icon, text and OK as the text needs them, the margins of the template;
// never larger than the work area (the text then scrolls).
void Layout(HWND dialog, const char* text)
{
    HWND edit = GetDlgItem(dialog, IDC_USAGE_TEXT), icon = GetDlgItem(dialog, IDC_USAGE_ICON),
         ok = GetDlgItem(dialog, IDOK);
    RECT margin = {7, 7, 0, 0};
    MapDialogRect(dialog, &margin);
    int lineHeight = 0;
    SIZE textSize = MeasureText(edit, text, lineHeight);
    const DWORD margins = (DWORD)SendMessageA(edit, EM_GETMARGINS, 0, 0);
    textSize.cx += LOWORD(margins) + HIWORD(margins);
    RECT okRect;
    GetWindowRect(ok, &okRect);
    const int okWidth = okRect.right - okRect.left, okHeight = okRect.bottom - okRect.top;
    const int iconSize = GetSystemMetrics(SM_CYICON);

    const DWORD style = (DWORD)GetWindowLongA(dialog, GWL_STYLE), exStyle = (DWORD)GetWindowLongA(dialog, GWL_EXSTYLE);
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int room = (work.bottom - work.top) - (frame.bottom - frame.top) - 3 * margin.top - okHeight;
    if (textSize.cy > room) {
        textSize.cy = room / lineHeight * lineHeight;
        textSize.cx += GetSystemMetrics(SM_CXVSCROLL);
        SetWindowLongA(edit, GWL_STYLE, GetWindowLongA(edit, GWL_STYLE) | WS_VSCROLL);
    }

    const int textLeft = margin.left + iconSize + margin.left;
    const int clientWidth = textLeft + textSize.cx + margin.left;
    const int okTop = margin.top + (textSize.cy > iconSize ? textSize.cy : iconSize) + margin.top;
    const int clientHeight = okTop + okHeight + margin.top;
    SetWindowPos(icon, nullptr, margin.left, margin.top, iconSize, iconSize, SWP_NOZORDER);
    SetWindowPos(edit, nullptr, textLeft, margin.top, textSize.cx, textSize.cy, SWP_NOZORDER | SWP_FRAMECHANGED);
    SetWindowPos(ok, nullptr, clientWidth - margin.left - okWidth, okTop, okWidth, okHeight, SWP_NOZORDER);
    SetWindowPos(dialog, nullptr, 0, 0, clientWidth + frame.right - frame.left, clientHeight + frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOMOVE);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SUsageBox* box = reinterpret_cast<SUsageBox*>(lParam);
        SetWindowTextA(dialog, box->pszCaption);
        HICON icon = LoadIconA(nullptr, box->bWarning ? IDI_WARNING : IDI_INFORMATION);
        SendDlgItemMessageA(dialog, IDC_USAGE_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        box->font.Reset(CreateFixedFont(dialog));
        HGDIOBJ font = box->font ? static_cast<HGDIOBJ>(box->font.Get()) : GetStockObject(ANSI_FIXED_FONT);
        SendDlgItemMessageA(dialog, IDC_USAGE_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetDlgItemTextA(dialog, IDC_USAGE_TEXT, box->pszText);
        static const SControlText s_ok[] = {{IDOK, IDS_OK}};
        TranslateControls(dialog, s_ok, 1);
        Layout(dialog, box->pszText);
        CentreWindow(dialog, GetDesktopWindow());
        SetForegroundWindow(dialog);
        SetFocus(GetDlgItem(dialog, IDOK));
        return FALSE;
    }
    case WM_COMMAND:
        // Esc (IDCANCEL) closes it as OK does.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

} // namespace

CSmallString AlignUsageColumns(const char* text)
{
    int column = 0;
    for (const char* line = text; *line;) {
        const char* end = std::strchr(line, '\n');
        const char* tab = std::strchr(line, '\t');
        if (!end)
            end = line + std::strlen(line);
        if (tab && tab < end && tab - line > column)
            column = (int)(tab - line);
        line = *end ? end + 1 : end;
    }
    column += g_nColumnGap;
    CSmallString aligned;
    int lineLength = 0;
    bool padded = false;
    for (const char* p = text; *p; p++) {
        if (*p == '\n') {
            aligned += *p;
            lineLength = 0;
            padded = false;
            continue;
        }
        if (*p == '\t' && !padded) {
            for (; lineLength < column; lineLength++)
                aligned += ' ';
            padded = true;
            continue;
        }
        // Only the first tab of a line is the column's.
        aligned += *p == '\t' ? ' ' : *p;
        lineLength++;
    }
    return aligned;
}

void ShowUsageBox(const char* text, const char* caption, bool warning)
{
    const CSmallString aligned = AlignUsageColumns(text);
    LogLine("Message [%s]: %s", caption, aligned.GetText());
    CSmallString shown = aligned;
    shown.Replace("\n", "\r\n");
    PreloadWindowDlls();
    SUsageBox box;
    box.pszText = shown;
    box.pszCaption = caption;
    box.bWarning = warning;
    if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_USAGE), nullptr, DialogProc,
                        reinterpret_cast<LPARAM>(&box)) == -1)
        MessageBoxA(nullptr, aligned, caption, MB_OK | (warning ? MB_ICONWARNING : MB_ICONINFORMATION));
}
