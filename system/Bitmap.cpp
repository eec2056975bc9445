#include "Bitmap.h"

#include "win32/GdiHandles.h"

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height)
{
    BITMAP bm;
    if (!dc || !bitmap || !GetObjectA(bitmap, sizeof(bm), &bm))
        return;
    const CMemoryDC memory(dc);
    if (!memory)
        return;
    const CSelection selected(memory, bitmap);
    if (!selected.IsSelected())
        return;
    if (width == bm.bmWidth && height == bm.bmHeight) {
        BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
    } else {
        const int oldMode = SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, x, y, width, height, memory, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
    }
}
