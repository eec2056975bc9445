// Keys typed into another thread's focused window: posted as the keyboard
// would queue them, so that the target's own loop (IsDialogMessage,
// TranslateMessage) does with them what it does with a user's.
#pragma once

#include <windows.h>

#include <string>

#include "FocusTarget.h"

struct SKeyStroke
{
    BYTE uKey = 0;
    bool bShift = false;
    bool bCtrl = false;
    bool bAlt = false;
};

namespace Keys {

// "tab", "shift+tab", "alt+a", "ctrl+end", "f4", "x": modifiers joined by +.
bool Parse(const std::string& text, SKeyStroke& stroke);

// Types one stroke into the focus and waits until the thread has taken it.
void Type(SFocus& focus, const SKeyStroke& stroke);

} // namespace Keys
