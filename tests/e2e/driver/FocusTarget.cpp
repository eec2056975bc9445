#include "FocusTarget.h"

#include <prsht.h>

#include <cstdio>

#include "Text.h"
#include "TopWindows.h"
#include "Wizard.h"
#include "resource.h"

namespace FocusTarget {

namespace {

HWND FindWindowFor(const std::string& title)
{
    if (!title.empty()) {
        const std::vector<HWND> titled =
            TopWindows::Find([&](HWND w) { return Text::Matches(TopWindows::GetTitle(w), title); });
        return titled.empty() ? nullptr : titled.front();
    }
    if (HWND sheet = CWizard::Find())
        return sheet;
    HWND foreground = GetForegroundWindow();
    if (foreground && IsWindowVisible(foreground))
        return foreground;
    const std::vector<HWND> dialogs = TopWindows::Find([](HWND w) { return TopWindows::GetClass(w) == "#32770"; });
    return dialogs.empty() ? nullptr : dialogs.front();
}

// Where the focused control lies: the wizard's current page or the sheet
// itself, else any other top-level window.
const char* KindOf(HWND focus, HWND root)
{
    if (GetDlgItem(root, IDC_WIZARD_NEXT)) {
        HWND page = CWizard(root).GetCurrentPage();
        return page && (focus == page || IsChild(page, focus)) ? "page" : "sheet";
    }
    return TopWindows::GetClass(root) == "#32770" ? "dialog" : "window";
}

} // namespace

bool Refresh(SFocus& focus)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(focus.dwThread, &info))
        info.hwndFocus = info.hwndActive = nullptr;
    focus.hFocus = info.hwndFocus;
    focus.hActive = info.hwndActive;
    return focus.hFocus != nullptr;
}

bool WaitFor(const std::string& title, DWORD timeoutMs, SFocus& focus, std::string& error)
{
    const DWORD start = GetTickCount();
    for (;;) {
        focus = SFocus();
        if ((focus.hWindow = FindWindowFor(title)) != nullptr) {
            focus.dwThread = GetWindowThreadProcessId(focus.hWindow, nullptr);
            if (Refresh(focus))
                return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            error = !focus.hWindow
                        ? (title.empty() ? "no wizard, foreground window or dialog" : "no window titled " + title)
                        : "nothing has the focus in the thread of \"" + TopWindows::GetTitle(focus.hWindow) + "\"";
            return false;
        }
        Sleep(50);
    }
}

std::string Describe(const SFocus& focus)
{
    if (!focus.hFocus || !IsWindow(focus.hFocus))
        return "focus none\n";
    char id[32];
    std::snprintf(id, sizeof(id), "focus %d ", GetDlgCtrlID(focus.hFocus));
    HWND root = GetAncestor(focus.hFocus, GA_ROOT);
    return id + TopWindows::GetClass(focus.hFocus) + " \"" + Text::OneLine(TopWindows::GetControlText(focus.hFocus)) +
           "\"\nin " + KindOf(focus.hFocus, root) + " \"" + Text::OneLine(TopWindows::GetTitle(root)) + "\"\n";
}

void Sync(SFocus& focus, int rounds)
{
    for (int i = 0; i < rounds; i++) {
        // The window the keys closed can't answer: any other of the thread's can.
        Refresh(focus);
        HWND window = focus.hActive ? focus.hActive : focus.hFocus;
        if (!window || !IsWindow(window))
            window = IsWindow(focus.hWindow) ? focus.hWindow : nullptr;
        if (!window)
            return;
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    }
    Refresh(focus);
}

} // namespace FocusTarget
