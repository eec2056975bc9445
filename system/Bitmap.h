// Painting a bitmap onto a device context.
#pragma once

#include <windows.h>

// Draws the whole bitmap with its top-left corner at (x, y).
void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y);
