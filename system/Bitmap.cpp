#include "Bitmap.h"

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height)
{
    BITMAP bm;
    if (!dc || !bitmap || !GetObjectA(bitmap, sizeof(bm), &bm))
        return;
    struct CMemoryDC
    {
        HDC h;
        ~CMemoryDC()
        {
            if (h)
                DeleteDC(h);
        }
    } memory{CreateCompatibleDC(dc)};
    if (!memory.h)
        return;
    const HGDIOBJ hOld = SelectObject(memory.h, bitmap);
    if (hOld && hOld != HGDI_ERROR) {
        if (width == bm.bmWidth && height == bm.bmHeight) {
            BitBlt(dc, x, y, width, height, memory.h, 0, 0, SRCCOPY);
        } else {
            const int oldMode = SetStretchBltMode(dc, HALFTONE);
            SetBrushOrgEx(dc, 0, 0, nullptr);
            StretchBlt(dc, x, y, width, height, memory.h, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
            SetStretchBltMode(dc, oldMode);
        }
        SelectObject(memory.h, hOld);
    }
}
