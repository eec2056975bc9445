// Painting a bitmap onto a device context.
#pragma once

#include <windows.h>

// Draws the whole bitmap with its top-left corner at (x, y), stretched to
// width x height (halftoned) when that differs from its own size.
void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height);
