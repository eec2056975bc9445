// The Progress page's side of the script engine's progress reports.
#pragma once

#include <windows.h>

#include "SinProgress.h"
#include "SmallString.h"

// The wizard window, its progress bar and the line above it that names the
// file being written, known once the page is active.
extern HWND g_hwndMain;
extern HWND g_hwndProgress;
extern HWND g_hwndProgressFile;
// The percentage beside the line; may be null.
extern HWND g_hwndProgressPercent;

// Shows how far the installation has come by the bytes of the package read
// (so a large file moves the bar and a thousand small ones don't flood it)
// and keeps the wizard responsive while the installation runs on its
// thread. Draws at most about 10 times a second and looks at the window's
// messages about every 10 ms, however often it is called.
class CProgress : public CSinProgressABC
{
public:
    enum
    {
        kRange = 1000, // the bar's range
    };
    explicit CProgress(unsigned steps = 0) : m_uSteps(steps) {}
    // A run whose steps are known only once it begins (an uninstall).
    void SetSteps(unsigned steps) { m_uSteps = steps; }

    // All three answer false once the user has asked to stop.
    bool OnItemExecuted(unsigned int index) override;
    bool OnWorking() override;
    void OnProgress(unsigned long long done, unsigned long long total, const char* file) override;
    // The line names the program; the bar moves to and fro until it ends.
    void OnProgramRunning(const char* program) override;

    // The bar full and the file line cleared, at the end.
    void Finish();
    // How often the bar and the file line were drawn.
    unsigned GetDrawCount() const { return m_uDraws; }

private:
    bool Pump();
    void Draw(bool now);

    unsigned m_uSteps;
    unsigned m_uPosition = 0;
    CSmallString m_strFile;
    CSmallString m_strShownFile;
    unsigned m_uShownPercent = ~0u;
    DWORD m_dwLastDraw = 0;
    DWORD m_dwLastPump = 0;
    bool m_bDrawn = false;
    unsigned m_uDraws = 0;
};
