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

    DrawBitmap(target, source, 3, 2);

    int painted = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 3 && x < 7 && y >= 2 && y < 6;
            const COLORREF expected = inside ? RGB(200, 30, 60) : RGB(255, 255, 255);
            const COLORREF got = GetPixel(target, x, y);
            EXPECT_EQ(expected, got) << "(" << x << "," << y << ") got " << std::hex << got;
            painted += got == RGB(200, 30, 60);
        }
    EXPECT_EQ(16, painted);

    // Nothing to draw: the canvas stays as it was.
    DrawBitmap(target, nullptr, 0, 0);
    DrawBitmap(nullptr, source, 0, 0);
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(target, 0, 0));

    SelectObject(target, old);
    DeleteObject(source);
    DeleteObject(canvas);
    DeleteDC(target);
}
