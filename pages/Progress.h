// The Progress page's side of the script engine's progress reports.
#pragma once

#include <windows.h>

#include "SinProgress.h"

// The wizard window and its progress bar, known once the page is active.
extern HWND g_hwndMain;
extern HWND g_hwndProgress;

// Steps the bar once per script element and keeps the wizard responsive
// while the installation runs on its thread.
class CProgress : public CSinProgressABC
{
public:
    // Both answer false once the user has asked to stop.
    bool OnItemExecuted(unsigned int index) override;
    bool OnWorking() override;
};
