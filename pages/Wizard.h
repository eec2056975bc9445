// The wizard frame shared by the three pages.
#pragma once

#include <windows.h>

// Asks whether to leave the installer; sets the page's dialog result to 0
// (close) on Yes and 1 (stay) otherwise, and opens "install-cancel-url"
// after a Yes. While the installation runs, Yes only asks it to stop
// (g_bCancelRequested) and the wizard stays until it has undone itself.
void OnCancel(HWND page);

// Opens the script's "install-cancel-url", if it has one.
void OpenCancelPage();

// "Page: name" in the setup log; the first page shown also tells how long
// after the program's start it came.
void LogPageShown(const char* name);

// Gives the wizard a system menu (close box) before it is created.
int CALLBACK PropSheetCallback(HWND window, UINT message, LPARAM parameter);
