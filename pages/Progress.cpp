#include "Progress.h"

#include <windows.h>
#include <commctrl.h>

#include "AppGlobals.h"

HWND g_hwndMain = nullptr;
HWND g_hwndProgress = nullptr;

// Keeps the wizard painted and its Cancel answered while the installation
// runs on this thread.
static bool PumpMessages()
{
    MSG message;
    while (g_hwndMain && PeekMessageA(&message, g_hwndMain, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return !g_bCancelRequested;
}

bool CProgress::OnItemExecuted(unsigned int)
{
    if (g_hwndProgress)
        SendMessageA(g_hwndProgress, PBM_STEPIT, 0, 0);
    return PumpMessages();
}

bool CProgress::OnWorking() { return PumpMessages(); }
