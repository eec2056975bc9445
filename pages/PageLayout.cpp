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

void Place(const SChild& c)
{
    SetWindowPos(c.hwnd, nullptr, c.rect.left, c.rect.top, c.rect.right - c.rect.left, c.rect.bottom - c.rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

SIZE MeasureStaticText(HWND control, int width)
{
    SIZE size = {0, 0};
    const int length = GetWindowTextLengthW(control);
    Container::CArray<wchar_t> text;
    text.SetSize((unsigned)length + 1);
    GetWindowTextW(control, text.GetData(), length + 1);
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
