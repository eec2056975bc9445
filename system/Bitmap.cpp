#include "Bitmap.h"

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y)
{
    BITMAP bm;
    if (!dc || !bitmap || !GetObjectA(bitmap, sizeof(bm), &bm))
        return;
    const HDC hMemory = CreateCompatibleDC(dc);
    if (!hMemory)
        return;
    const HGDIOBJ hOld = SelectObject(hMemory, bitmap);
    if (hOld && hOld != HGDI_ERROR) {
        BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, hMemory, 0, 0, SRCCOPY);
        SelectObject(hMemory, hOld);
    }
    DeleteDC(hMemory);
}
