#include "Progress.h"

#include <windows.h>
#include <commctrl.h>

#include <new>

#include "PageControls.h"
#include "WizardState.h"
#include "resource.h"
#include "win32/ResString.h"

HWND g_hwndMain = nullptr;
HWND g_hwndProgress = nullptr;
HWND g_hwndProgressFile = nullptr;
HWND g_hwndProgressPercent = nullptr;

namespace {
// Ten times a second moves the bar smoothly enough to the eye; under Wine
// each redraw costs about 12 ms, which at a faster pace would slow a quick
// installation of many files by a third.
const DWORD kDrawEveryMs = 100;
const DWORD kPumpEveryMs = 10;
} // namespace

bool CProgress::Pump()
{
    const DWORD now = GetTickCount();
    if (now - m_dwLastPump >= kPumpEveryMs || !m_dwLastPump) {
        m_dwLastPump = now;
        MSG message;
        while (g_hwndMain && PeekMessageA(&message, g_hwndMain, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return !g_bCancelRequested;
}

void CProgress::Draw(bool now)
{
    const DWORD tick = GetTickCount();
    if (!now && m_bDrawn && tick - m_dwLastDraw < kDrawEveryMs)
        return;
    m_bDrawn = true;
    m_dwLastDraw = tick;
    m_uDraws++;
    if (g_hwndProgress)
        SendMessageA(g_hwndProgress, PBM_SETPOS, m_uPosition, 0);
    const unsigned percent = m_uPosition * 100 / kRange;
    if (percent != m_uShownPercent && g_hwndProgressPercent) {
        m_uShownPercent = percent;
        CSmallString text;
        text.Format(CResString(IDS_PERCENT), percent);
        SetWindowTextA(g_hwndProgressPercent, text);
    }
    if (m_strShownFile != m_strFile) {
        m_strShownFile = m_strFile;
        if (g_hwndProgressFile)
            SetWindowTextA(g_hwndProgressFile, m_strFile);
    }
}

bool CProgress::OnItemExecuted(unsigned int index)
{
    if (index == 2 && IsFaultAsked("install"))
        throw std::bad_alloc();
    // Scripts without files move the bar by their steps.
    if (m_uSteps && (unsigned long long)index * kRange / m_uSteps > m_uPosition)
        m_uPosition = (unsigned)((unsigned long long)index * kRange / m_uSteps);
    Draw(false);
    return Pump();
}

bool CProgress::OnWorking()
{
    // A long step shows what the steps before it left undrawn.
    Draw(false);
    return Pump();
}

void CProgress::OnProgress(unsigned long long done, unsigned long long total, const char* file)
{
    if (total) {
        const unsigned position = done >= total ? (unsigned)kRange : (unsigned)(done * kRange / total);
        // Reading an item again from the start of the package goes back;
        // the bar doesn't.
        if (position > m_uPosition)
            m_uPosition = position;
    }
    if (file && m_strFile != file)
        m_strFile = file;
    Draw(false);
}

void CProgress::OnProgramRunning(const char* program)
{
    if (program)
        m_strFile.Format(CResString(IDS_RUNNING_PROGRAM), program);
    else
        m_strFile.Empty();
    if (g_hwndProgress) {
        // A marquee bar shows no position: the style comes and goes with it.
        const LONG style = GetWindowLongA(g_hwndProgress, GWL_STYLE);
        SetWindowLongA(g_hwndProgress, GWL_STYLE, program ? style | PBS_MARQUEE : style & ~PBS_MARQUEE);
        SendMessageA(g_hwndProgress, PBM_SETMARQUEE, program ? TRUE : FALSE, 30);
        if (!program)
            SendMessageA(g_hwndProgress, PBM_SETPOS, m_uPosition, 0);
    }
    Draw(true);
}

void CProgress::Finish()
{
    m_uPosition = kRange;
    m_strFile.Empty();
    Draw(true);
}
