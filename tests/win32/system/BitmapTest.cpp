// DrawBitmap onto a memory device context.
#include <windows.h>

#include <gtest/gtest.h>

#include "Bitmap.h"

namespace {
HBITMAP CreateSolid(HDC dc, int width, int height, COLORREF colour)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        // 32-bit DIB pixels are stored as blue, green, red.
        const DWORD pixel = (DWORD)GetBValue(colour) | (DWORD)GetGValue(colour) << 8 | (DWORD)GetRValue(colour) << 16;
        for (int i = 0; i < width * height; ++i)
            static_cast<DWORD*>(bits)[i] = pixel;
    }
    return bitmap;
}
} // namespace

TEST(DrawBitmap, PaintsTheWholeBitmapAtThePosition)
{
    HDC target = CreateCompatibleDC(nullptr);
    ASSERT_NE(nullptr, target);
    HBITMAP canvas = CreateSolid(target, 10, 10, RGB(255, 255, 255));
    HBITMAP source = CreateSolid(target, 4, 4, RGB(200, 30, 60));
    ASSERT_NE(nullptr, canvas);
    ASSERT_NE(nullptr, source);
    HGDIOBJ old = SelectObject(target, canvas);

    // At its own size, then stretched as on a screen of higher DPI.
    const SIZE sizes[] = {{4, 4}, {6, 5}};
    for (const SIZE& size : sizes) {
        const RECT all = {0, 0, 10, 10};
        FillRect(target, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DrawBitmap(target, source, 3, 2, size.cx, size.cy);
        int painted = 0;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x) {
                const bool inside = x >= 3 && x < 3 + size.cx && y >= 2 && y < 2 + size.cy;
                const COLORREF expected = inside ? RGB(200, 30, 60) : RGB(255, 255, 255);
                const COLORREF got = GetPixel(target, x, y);
                EXPECT_EQ(expected, got) << "(" << x << "," << y << ") got " << std::hex << got;
                painted += got == RGB(200, 30, 60);
            }
        EXPECT_EQ(size.cx * size.cy, painted);
    }

    // Nothing to draw: the canvas stays as it was.
    const RECT all = {0, 0, 10, 10};
    FillRect(target, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawBitmap(target, nullptr, 0, 0, 4, 4);
    DrawBitmap(nullptr, source, 0, 0, 4, 4);
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(target, 0, 0));

    SelectObject(target, old);
    DeleteObject(source);
    DeleteObject(canvas);
    DeleteDC(target);
}
