#include "Keys.h"

#include <cctype>
#include <cstdlib>

namespace Keys {

namespace {

struct SKeyName
{
    const char* pszName;
    BYTE uKey;
    bool bExtended;
};

const SKeyName g_arrNames[] = {
    {"tab", VK_TAB, false},        {"enter", VK_RETURN, false},  {"return", VK_RETURN, false},
    {"esc", VK_ESCAPE, false},     {"escape", VK_ESCAPE, false}, {"space", VK_SPACE, false},
    {"backspace", VK_BACK, false}, {"delete", VK_DELETE, true},  {"insert", VK_INSERT, true},
    {"home", VK_HOME, true},       {"end", VK_END, true},        {"pageup", VK_PRIOR, true},
    {"pagedown", VK_NEXT, true},   {"up", VK_UP, true},          {"down", VK_DOWN, true},
    {"left", VK_LEFT, true},       {"right", VK_RIGHT, true},
};

bool IsExtended(BYTE key)
{
    for (const SKeyName& name : g_arrNames)
        if (name.uKey == key)
            return name.bExtended;
    return false;
}

bool ParseKey(const std::string& name, BYTE& key)
{
    for (const SKeyName& known : g_arrNames)
        if (name == known.pszName) {
            key = known.uKey;
            return true;
        }
    if (name.size() == 1 && std::isalnum((unsigned char)name[0])) {
        key = (BYTE)std::toupper((unsigned char)name[0]);
        return true;
    }
    if (name.size() >= 2 && name[0] == 'f' && std::isdigit((unsigned char)name[1])) {
        const int n = std::atoi(name.c_str() + 1);
        if (n >= 1 && n <= 12) {
            key = (BYTE)(VK_F1 + n - 1);
            return true;
        }
    }
    return false;
}

void SetModifiers(const SKeyStroke& stroke, bool down)
{
    BYTE state[256];
    if (!GetKeyboardState(state))
        return;
    const BYTE value = down ? 0x80 : 0;
    if (stroke.bShift)
        state[VK_SHIFT] = state[VK_LSHIFT] = value;
    if (stroke.bCtrl)
        state[VK_CONTROL] = state[VK_LCONTROL] = value;
    SetKeyboardState(state);
}

} // namespace

bool Parse(const std::string& text, SKeyStroke& stroke)
{
    stroke = SKeyStroke();
    std::string rest = text;
    for (char& c : rest)
        c = (char)std::tolower((unsigned char)c);
    for (size_t plus; (plus = rest.find('+')) != std::string::npos && plus + 1 < rest.size();) {
        const std::string modifier = rest.substr(0, plus);
        if (modifier == "shift")
            stroke.bShift = true;
        else if (modifier == "ctrl")
            stroke.bCtrl = true;
        else if (modifier == "alt")
            stroke.bAlt = true;
        else
            return false;
        rest.erase(0, plus + 1);
    }
    return ParseKey(rest, stroke.uKey);
}

void Type(SFocus& focus, const SKeyStroke& stroke)
{
    // The target reads Shift and Ctrl from its thread's key state (Shift+Tab
    // in IsDialogMessage): shared with ours while the inputs are attached.
    MSG queue;
    PeekMessageA(&queue, nullptr, 0, 0, PM_NOREMOVE);
    const bool attached =
        (stroke.bShift || stroke.bCtrl) && AttachThreadInput(GetCurrentThreadId(), focus.dwThread, TRUE);
    if (attached)
        SetModifiers(stroke, true);
    const UINT scan = MapVirtualKeyA(stroke.uKey, MAPVK_VK_TO_VSC);
    const LPARAM down =
        1 | (LPARAM)(scan << 16) | (IsExtended(stroke.uKey) ? 1 << 24 : 0) | (stroke.bAlt ? 1 << 29 : 0);
    const LPARAM up = down | (LPARAM)(1u << 30) | (LPARAM)(1u << 31);
    PostMessageA(focus.hFocus, stroke.bAlt ? WM_SYSKEYDOWN : WM_KEYDOWN, stroke.uKey, down);
    PostMessageA(focus.hFocus, stroke.bAlt ? WM_SYSKEYUP : WM_KEYUP, stroke.uKey, up);
    // The two keys and the characters TranslateMessage makes of them.
    FocusTarget::Sync(focus, 5);
    if (attached) {
        SetModifiers(stroke, false);
        AttachThreadInput(GetCurrentThreadId(), focus.dwThread, FALSE);
    }
}

} // namespace Keys
