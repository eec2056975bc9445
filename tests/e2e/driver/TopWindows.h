// Finding the other process's top-level windows by title and class.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace TopWindows {

std::string GetTitle(HWND window);
std::string GetClass(HWND window);
// Text of a control in another process (WM_GETTEXT is marshalled, GetWindowText is not).
std::string GetControlText(HWND control);

// Visible top-level windows that satisfy the filter, in Z order.
std::vector<HWND> Find(const std::function<bool(HWND)>& filter);

// Polls every 50 ms until a window satisfies the filter or the time is up.
HWND WaitFor(const std::function<bool(HWND)>& filter, DWORD timeoutMs);

// Polls until the window no longer exists.
bool WaitUntilDestroyed(HWND window, DWORD timeoutMs);

} // namespace TopWindows
