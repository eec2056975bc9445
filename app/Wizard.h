// The wizard frame shared by the three pages.
#pragma once

#include <windows.h>

// Asks whether to leave the installer; sets the page's dialog result to 0
// (close) on Yes and 1 (stay) otherwise, and opens "install-cancel-url"
// after a Yes.
void OnCancel(HWND page);

// Gives the wizard a system menu (close box) before it is created.
int CALLBACK PropSheetCallback(HWND window, UINT message, LPARAM parameter);
