// Texts that fit their controls whatever the font, the DPI or the length of
// the application's name: the templates give each text a place, the page
// grows it where the words need more.
#pragma once

#include <windows.h>

// Widens one-line labels that are cut (up to the next control on their
// right or the page's edge) and makes each wrapped text as tall as its
// words need, moving the controls below it down by as much. A multi-line
// edit below takes the growth by getting shorter instead, so what lies
// under it stays in place. Texts drawn with an ellipsis are left alone.
void FitTexts(HWND page);

// The height and width a static control's text needs at the given width,
// measured with the control's own font and drawing rules.
SIZE MeasureStaticText(HWND control, int width);

// A dialog as tall as its lowest control plus the template's margin, once
// its texts have grown.
void FitDialogToControls(HWND dialog);
