// The three wizard pages' dialog procedures.
#pragma once

#include <windows.h>

INT_PTR CALLBACK TermsAndConditionsWndProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DestinationWndProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgressWndProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
