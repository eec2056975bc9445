// The thread a user's keys would reach, and the control that has its focus.
#pragma once

#include <windows.h>

#include <string>

struct SFocus
{
    DWORD dwThread = 0;
    HWND hWindow = nullptr; // the top-level window that led to the thread
    HWND hFocus = nullptr;
    HWND hActive = nullptr;
};

namespace FocusTarget {

// With a title, the thread of a visible top-level window so titled; else
// the wizard's thread, else the foreground window's, else the first
// dialog's. Waits until that thread has a focused window.
bool WaitFor(const std::string& title, DWORD timeoutMs, SFocus& focus, std::string& error);

// The thread's focus read again (a key may have moved it).
bool Refresh(SFocus& focus);

// "focus ID CLASS "TEXT"" and "in page|sheet|dialog|window "ROOT TITLE"".
std::string Describe(const SFocus& focus);

// Returns once the thread has handled what was posted to it before, up to
// that many messages (each round trip lets it take one more).
void Sync(SFocus& focus, int rounds);

} // namespace FocusTarget
