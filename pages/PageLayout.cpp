#include "PageLayout.h"

#include "Containers.h"
#include "win32/GdiHandles.h"

namespace {

struct SChild
{
    HWND hwnd;
    RECT rect; // in the page's client coordinates
};

bool IsClass(HWND control, const char* name)
{
    char text[32] = "";
    GetClassNameA(control, text, sizeof text);
    return lstrcmpiA(text, name) == 0;
}

// A static that shows wrapped or plain text (not an image, not an ellipsis).
bool IsTextStatic(HWND control)
{
    if (!IsClass(control, "Static"))
        return false;
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    const LONG type = style & SS_TYPEMASK;
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP)
        return false;
    return (style & SS_ELLIPSISMASK) == 0 && GetWindowTextLengthW(control) > 0;
}

bool IsMultiLineEdit(HWND control)
{
    return IsClass(control, "Edit") && (GetWindowLongA(control, GWL_STYLE) & ES_MULTILINE);
}

void Collect(HWND page, Container::CArray<SChild>& children)
{
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SChild c = {child, {0, 0, 0, 0}};
        GetWindowRect(child, &c.rect);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&c.rect), 2);
        children.Add(c);
    }
}

bool OverlapVertically(const RECT& a, const RECT& b) { return a.top < b.bottom && b.top < a.bottom; }

// A control's text as the wide API has it; its length.
int GetWideText(HWND control, Container::CArray<wchar_t>& text)
{
    const int length = GetWindowTextLengthW(control);
    text.SetSize((unsigned)length + 1);
    GetWindowTextW(control, text.GetData(), length + 1);
    return length;
}

void Place(const SChild& c)
{
    SetWindowPos(c.hwnd, nullptr, c.rect.left, c.rect.top, c.rect.right - c.rect.left, c.rect.bottom - c.rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

SIZE MeasureStaticText(HWND control, int width)
{
    SIZE size = {0, 0};
    Container::CArray<wchar_t> text;
    const int length = GetWideText(control, text);
    const CWindowDC dc(control);
    if (!dc)
        return size;
    const CSelection font(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    UINT flags = DT_CALCRECT | DT_EXPANDTABS;
    flags |= (style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP ? DT_SINGLELINE : DT_WORDBREAK;
    if (style & SS_NOPREFIX)
        flags |= DT_NOPREFIX;
    RECT rect = {0, 0, width, 0};
    DrawTextW(dc, text.GetData(), length, &rect, flags);
    size.cx = rect.right;
    size.cy = rect.bottom;
    return size;
}

void FitTexts(HWND page)
{
    RECT client;
    GetClientRect(page, &client);
    Container::CArray<SChild> children;
    Collect(page, children);
    for (unsigned i = 0; i < children.GetSize(); i++) {
        SChild& c = children[i];
        if (!IsTextStatic(c.hwnd))
            continue;
        // A one-line label grows sideways first, up to its right neighbour.
        const SIZE oneLine = MeasureStaticText(c.hwnd, 0x7FFF);
        const int height = c.rect.bottom - c.rect.top;
        if (height < 2 * oneLine.cy && oneLine.cx > c.rect.right - c.rect.left) {
            LONG limit = client.right;
            for (unsigned j = 0; j < children.GetSize(); j++)
                if (j != i && children[j].rect.left >= c.rect.right && OverlapVertically(children[j].rect, c.rect) &&
                    children[j].rect.left < limit)
                    limit = children[j].rect.left;
            c.rect.right = c.rect.left + oneLine.cx < limit ? c.rect.left + oneLine.cx : limit;
        }
        const SIZE needed = MeasureStaticText(c.hwnd, c.rect.right - c.rect.left);
        const int grow = needed.cy - height;
        const LONG oldBottom = c.rect.bottom;
        if (grow > 0) {
            c.rect.bottom += grow;
            // What lies below moves down, until an edit that can give way.
            LONG stop = 0x7FFFFFFF;
            for (unsigned j = 0; j < children.GetSize(); j++)
                if (j != i && children[j].rect.top >= oldBottom && IsMultiLineEdit(children[j].hwnd) &&
                    children[j].rect.top < stop)
                    stop = children[j].rect.top;
            for (unsigned j = 0; j < children.GetSize(); j++) {
                SChild& other = children[j];
                if (j == i || other.rect.top < oldBottom || other.rect.top > stop)
                    continue;
                if (other.rect.top == stop && IsMultiLineEdit(other.hwnd)) {
                    other.rect.top += grow;
                    if (other.rect.top > other.rect.bottom)
                        other.rect.top = other.rect.bottom;
                } else {
                    OffsetRect(&other.rect, 0, grow);
                }
                Place(other);
            }
        }
        Place(c);
    }
}

void FitDialogToControls(HWND dialog)
{
    RECT margin = {0, 0, 7, 7};
    MapDialogRect(dialog, &margin);
    LONG bottom = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        if (rect.bottom > bottom)
            bottom = rect.bottom;
    }
    RECT client, window;
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &window);
    const LONG grow = bottom + margin.bottom - client.bottom;
    if (grow > 0)
        SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + grow,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int MeasureButton(HWND button)
{
    Container::CArray<wchar_t> text;
    const int length = GetWideText(button, text);
    const CWindowDC dc(button);
    if (!dc)
        return 0;
    const CSelection font(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(button, WM_GETFONT, 0, 0)));
    RECT rect = {0, 0, 0, 0};
    DrawTextW(dc, text.GetData(), length, &rect, DT_CALCRECT | DT_SINGLELINE);
    return rect.right + 2 * GetSystemMetrics(SM_CXEDGE) + 8;
}

void WidenButtonLeftward(HWND dialog, int button, int neighbour)
{
    SChild b = {GetDlgItem(dialog, button), {0, 0, 0, 0}}, n = {GetDlgItem(dialog, neighbour), {0, 0, 0, 0}};
    if (!b.hwnd || !n.hwnd)
        return;
    for (SChild* c : {&b, &n}) {
        GetWindowRect(c->hwnd, &c->rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&c->rect), 2);
    }
    const LONG grow = MeasureButton(b.hwnd) - (b.rect.right - b.rect.left);
    if (grow <= 0)
        return;
    b.rect.left -= grow;
    n.rect.right -= grow;
    Place(b);
    Place(n);
}

void WidenDialog(HWND dialog, LONG grow)
{
    if (grow <= 0)
        return;
    Container::CArray<SChild> children;
    Collect(dialog, children);
    for (unsigned i = 0; i < children.GetSize(); i++) {
        SChild& c = children[i];
        if (IsClass(c.hwnd, "Static"))
            c.rect.right += grow;
        else
            OffsetRect(&c.rect, grow, 0);
        Place(c);
    }
    RECT window;
    GetWindowRect(dialog, &window);
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + grow, window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FitButtonRow(HWND dialog, const int* ids, unsigned count)
{
    Container::CArray<SChild> row;
    for (unsigned i = 0; i < count; i++) {
        SChild c = {GetDlgItem(dialog, ids[i]), {0, 0, 0, 0}};
        // Hidden buttons (not shown in this run) take no room.
        if (!c.hwnd || !(GetWindowLongA(c.hwnd, GWL_STYLE) & WS_VISIBLE))
            continue;
        GetWindowRect(c.hwnd, &c.rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&c.rect), 2);
        row.Add(c);
    }
    if (row.GetSize() == 0)
        return;
    RECT units = {0, 0, 7, 4};
    MapDialogRect(dialog, &units);
    const LONG margin = units.right, gap = units.bottom;
    bool changed = false;
    LONG right = row[row.GetSize() - 1].rect.right;
    for (unsigned i = row.GetSize(); i-- > 0;) {
        SChild& c = row[i];
        LONG width = c.rect.right - c.rect.left;
        const int needed = MeasureButton(c.hwnd);
        if (needed > width) {
            width = needed;
            changed = true;
        }
        if (c.rect.right != right)
            changed = true;
        c.rect.left = right - width;
        c.rect.right = right;
        right = c.rect.left - gap;
    }
    if (!changed)
        return;
    for (unsigned i = 0; i < row.GetSize(); i++)
        Place(row[i]);
    // The row's left end keeps the margin: the dialog widens.
    WidenDialog(dialog, margin - row[0].rect.left);
}

void WidenForLongWords(HWND dialog, int text)
{
    const HWND control = GetDlgItem(dialog, text);
    RECT rect, window;
    GetWindowRect(control, &rect);
    GetWindowRect(dialog, &window);
    const LONG width = rect.right - rect.left;
    LONG grow = MeasureStaticText(control, width).cx - width;
    const LONG room = GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left) - 20;
    WidenDialog(dialog, grow > room ? room : grow);
}
