// What the three pages share: the sheet's buttons, the logo and the moves
// that make room for it.
#pragma once

#include <windows.h>

// Centres window over relativeTo, kept inside relativeTo's rectangle.
void CentreWindow(HWND window, HWND relativeTo);

// Paints the logo at the page's top-left corner; false (nothing painted)
// without a logo.
bool PaintLogo(HWND page);

// A control's rectangle in the page's client coordinates, as the page places it.
RECT GetRectInPage(HWND page, int id);

// The logo's extent; 0 x 0 without a logo.
SIZE GetLogoSize();

// The sheet's Next button gets text; the sheet's wizard buttons are set
// to buttons (PSWIZB_ flags) once the current message is done.
void SetWizardNext(HWND page, const char* text, DWORD buttons);

// Gives the sheet's button id the focus and makes it the default, after
// whatever the sheet does on the current message (a page change moves the
// focus too).
void FocusSheetButton(HWND page, int id);

// A dialog's control and the string-table text that translates it.
struct SControlText
{
    int nControl;
    unsigned uText;
};

// Gives each control its translation, where the run's language has one;
// English stays as the dialog template has it.
void TranslateControls(HWND dialog, const SControlText* texts, unsigned count);

// A path in a mirrored (right-to-left) window still reads left to right:
// its control is not mirrored.
void KeepLeftToRight(HWND control);

// The sheet's Back and Cancel in the run's language (Next and Finish are
// set by the pages).
void TranslateSheetButtons(HWND page);

// Sets the page's dialog result and answers "handled".
INT_PTR SetPageResult(HWND page, LONG result);

typedef INT_PTR (*PageHandler)(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Runs a page's message handler: no exception may leave a dialog procedure.
// One that does is told (with its reason) and ends the wizard with exit
// code 3; the installation undoes itself before that.
INT_PTR RunGuarded(PageHandler handler, HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// A test build's way to prove how unexpected failures end:
// KX_TEST_FAULT=page makes the Destination page's Next throw, =install
// makes the installation run out of memory. Users never set it.
bool IsFaultAsked(const char* where);
