#include "Progress.h"

#include <windows.h>
#include <commctrl.h>

HWND g_hwndMain = nullptr;
HWND g_hwndProgress = nullptr;

bool CProgress::OnItemExecuted(unsigned int)
{
    if (g_hwndProgress)
        SendMessageA(g_hwndProgress, PBM_STEPIT, 0, 0);
    MSG message;
    while (g_hwndMain && PeekMessageA(&message, g_hwndMain, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}
