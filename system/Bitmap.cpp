#include "Bitmap.h"

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y)
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
        BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, memory.h, 0, 0, SRCCOPY);
        SelectObject(memory.h, hOld);
    }
}
