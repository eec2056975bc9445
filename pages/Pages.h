// The three wizard pages' dialog procedures.
#pragma once

#include <windows.h>

INT_PTR CALLBACK TermsAndConditionsWndProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DestinationWndProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgressWndProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// What each page does to its template's layout when it is made (and the
// Progress page when the installation is complete: completion is its text
// then), callable on a page made from the template alone.
void LayOutTermsPage(HWND page);
void LayOutDestinationPage(HWND page, const char* appName);
void LayOutProgressPage(HWND page, const char* completion);
