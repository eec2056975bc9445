#include "UserMessages.h"

#include "win32/ResString.h"

static KxMessageBoxHook g_pfnMessageBoxHook = nullptr;

void SetMessageBoxHook(KxMessageBoxHook hook) { g_pfnMessageBoxHook = hook; }

int KxMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    if (g_pfnMessageBoxHook)
        return g_pfnMessageBoxHook(owner, text, caption, type);
    return MessageBoxA(owner, text, caption, type);
}

void Error(const char* text)
{
    CResString caption(14);
    KxMessageBox(nullptr, text, caption, MB_ICONWARNING | MB_OK);
}
