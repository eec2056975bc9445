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

// The width a push button needs for its text on one line, with its edges.
int MeasureButton(HWND button);

// Widens a button that its text doesn't fit by moving its left edge, and
// narrows its left neighbour (the field it belongs to) by as much.
void WidenButtonLeftward(HWND dialog, int button, int neighbour);

// A row of buttons (ids from left to right) that their texts don't fit:
// each as wide as it needs, the row keeping its right edge and its gaps;
// where it would pass the dialog's left margin, the dialog widens, its texts
// with it.
void FitButtonRow(HWND dialog, const int* ids, unsigned count);

// Widens a dialog by grow pixels: texts widen, other controls move right.
void WidenDialog(HWND dialog, LONG grow);

// A word too long to wrap in the text (a folder or a name without blanks)
// widens the dialog, up to the screen's width; buttons keep to the right.
void WidenForLongWords(HWND dialog, int text);
