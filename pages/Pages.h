// The three wizard pages' dialog procedures.
#pragma once

#include <windows.h>

INT_PTR CALLBACK TermsAndConditionsWndProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DestinationWndProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgressWndProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// What each page does to its template's layout when it is made (and the
// Progress page when the installation is complete, with what it says
// then), callable on a page made from the template alone.
void LayOutTermsPage(HWND page);
void LayOutDestinationPage(HWND page, const char* appName);
// What the Progress page says once the installation is complete: the text,
// the folder on the line below it, what to do now, and the Run check box's
// text (null: no program to start).
struct SCompletion
{
    const char* pszText;
    const char* pszFolder;
    const char* pszHint;
    const char* pszRun;
};
void LayOutProgressPage(HWND page, const SCompletion* completion);
