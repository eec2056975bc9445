#include "TopWindows.h"

namespace TopWindows {

namespace {

struct SEnumState
{
    const std::function<bool(HWND)>* pFilter;
    std::vector<HWND>* pFound;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    SEnumState* state = reinterpret_cast<SEnumState*>(param);
    if (IsWindowVisible(window) && (*state->pFilter)(window))
        state->pFound->push_back(window);
    return TRUE;
}

} // namespace

// Texts are read wide and given as UTF-8, whatever the code pages.
std::string ToUtf8(const wchar_t* text, int length)
{
    if (length <= 0)
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], n, nullptr, nullptr);
    return out;
}

std::string GetTitle(HWND window)
{
    wchar_t buffer[1024] = L"";
    return ToUtf8(buffer, GetWindowTextW(window, buffer, 1024));
}

std::string GetClass(HWND window)
{
    char buffer[256] = "";
    GetClassNameA(window, buffer, sizeof(buffer));
    return buffer;
}

std::string GetControlText(HWND control)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length))
        return std::string();
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL, 5000,
                        &copied);
    return ToUtf8(text.c_str(), (int)copied);
}

std::vector<HWND> Find(const std::function<bool(HWND)>& filter)
{
    std::vector<HWND> found;
    SEnumState state = {&filter, &found};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&state));
    return found;
}

HWND WaitFor(const std::function<bool(HWND)>& filter, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const std::vector<HWND> found = Find(filter);
        if (!found.empty())
            return found.front();
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
        Sleep(50);
    }
}

bool WaitUntilDestroyed(HWND window, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(50);
    }
    return true;
}

} // namespace TopWindows
