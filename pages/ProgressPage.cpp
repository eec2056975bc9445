// Third page: runs the installation, then starts the installed program.
#include <windows.h>
#include <commctrl.h>

#include "WizardState.h"
#include "ExitCodes.h"
#include "Journal.h"
#include "Exceptions.h"
#include "PageControls.h"
#include "PageLayout.h"
#include "Folders.h"
#include "Pages.h"
#include "Progress.h"
#include "ProgramsInUse.h"
#include "RestartQuestion.h"
#include "SetupLog.h"
#include "win32/Handles.h"
#include "ScriptCommandLine.h"
#include "SinReader.h"
#include "UserMessages.h"
#include "Wizard.h"
#include "resource.h"
#include "win32/ResString.h"
#include "ScriptWords.h"

enum
{
    WM_KX_INSTALL = WM_USER + 1,
};

static bool s_bStarted = false;

static void MakeRoomForLogo(HWND page)
{
    const SIZE logo = GetLogoSize();
    const RECT text = GetRectInPage(page, IDC_PROGRESS_TEXT);
    if (text.top >= logo.cy)
        return;
    // They move down together, keeping their distances.
    const int shift = logo.cy + 10 - text.top;
    static const int s_nIds[] = {IDC_PROGRESS_TEXT, IDC_PROGRESS_PERCENT, IDC_PROGRESS_FILE,
                                 IDC_PROGRESS_BAR,  IDC_PROGRESS_HINT,    IDC_PROGRESS_RUN};
    const int count = (int)(sizeof(s_nIds) / sizeof(s_nIds[0]));
    HDWP batch = BeginDeferWindowPos(count);
    for (int i = 0; i < count && batch; i++) {
        const RECT rect = GetRectInPage(page, s_nIds[i]);
        batch = DeferWindowPos(batch, GetDlgItem(page, s_nIds[i]), nullptr, rect.left, rect.top + shift, 0, 0,
                               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    }
    if (batch)
        EndDeferWindowPos(batch);
}

void LayOutProgressPage(HWND page, const SCompletion* completion)
{
    KeepLeftToRight(GetDlgItem(page, IDC_PROGRESS_FILE));
    if (completion) {
        SetDlgItemTextA(page, IDC_PROGRESS_TEXT, completion->pszText);
        SetDlgItemTextA(page, IDC_PROGRESS_FILE, completion->pszFolder);
        SetDlgItemTextA(page, IDC_PROGRESS_PERCENT, "");
        SetDlgItemTextA(page, IDC_PROGRESS_HINT, completion->pszHint);
        const HWND run = GetDlgItem(page, IDC_PROGRESS_RUN);
        if (completion->pszRun) {
            SetWindowTextA(run, completion->pszRun);
            CheckDlgButton(page, IDC_PROGRESS_RUN, BST_CHECKED);
        }
        ShowWindow(run, completion->pszRun ? SW_SHOW : SW_HIDE);
    } else {
        static const SControlText s_texts[] = {{IDC_PROGRESS_TEXT, IDS_PROGRESS_HEADING}};
        TranslateControls(page, s_texts, 1);
        MakeRoomForLogo(page);
    }
    FitTexts(page);
}

static void OnSetActive(HWND page)
{
    g_hwndMain = GetParent(page);
    g_hwndProgress = GetDlgItem(page, IDC_PROGRESS_BAR);
    g_hwndProgressFile = GetDlgItem(page, IDC_PROGRESS_FILE);
    g_hwndProgressPercent = GetDlgItem(page, IDC_PROGRESS_PERCENT);
    SendMessageA(g_hwndProgress, PBM_SETRANGE32, 0, CProgress::kRange);
    // The sheet becomes visible first; the posted message then runs the
    // installation from the sheet's own message loop.
    if (!s_bStarted) {
        s_bStarted = true;
        PostMessageA(page, WM_KX_INSTALL, 0, 0);
    }
    // Greyed while the installation runs; Close only once it can be used.
    const HWND next = GetDlgItem(g_hwndMain, IDC_WIZARD_NEXT);
    CResString waiting(IDS_NEXT);
    SetWindowTextA(next, waiting);
    EnableWindow(next, FALSE);
    ShowWindow(GetDlgItem(g_hwndMain, IDC_WIZARD_BACK), SW_HIDE);
}

static void CloseWizard()
{
    PostMessageA(g_hwndMain, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
}

enum CLaunchResult
{
    NothingToLaunch,
    Launched,
    LaunchFailed,
};

static bool StartProgram(const SProgramLine& line, CSmallString& why)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process;
    // CreateProcessA may write into the command line.
    CSmallString writable = line.BuildCommandLine();
    const BOOL started = CreateProcessA(line.strProgram, writable.GetBuffer(writable.GetLength()), nullptr, nullptr,
                                        FALSE, 0, nullptr, g_strDestination, &startup, &process);
    if (!started)
        why = GetLastErrorString();
    writable.ReleaseBuffer();
    if (!started)
        return false;
    CAutoHandle thread(process.hThread), child(process.hProcess);
    return true;
}

// Starts the script's "launch-exe" in the destination folder, by the full
// path of its program: a command line alone would let Windows try
// C:\Program.exe for an unquoted C:\Program Files\... first.
static CLaunchResult LaunchInstalledProgram()
{
    CSmallString text;
    if (!g_reader.GetInstallItem(Setting::LaunchExe, text) || text.IsEmpty())
        return NothingToLaunch;
    SProgramLine line;
    CSmallString why;
    if (MakeLaunchLine(text, line, why) && StartProgram(line, why)) {
        LogLine("Started %s", line.BuildCommandLine().GetText());
        return Launched;
    }
    const CSmallString commandLine = ExpandScriptCommandLine(text, false);
    LogLine("Could not start %s: %s", commandLine.GetText(), why.GetText());
    CSmallString message;
    message.Format(CResString(IDS_LAUNCH_FAILED), commandLine.GetText());
    Error(WithSupportAddress(g_reader, message));
    return LaunchFailed;
}

// Says where the installation is and, with a program to start, offers to
// start it; Close (the default, with the focus) is then the way on, and
// closing the window asks nothing.
static void ShowCompletion(HWND page)
{
    CSmallString appName, text, run, launch;
    g_reader.GetShownAppName(appName);
    const bool restart = g_reader.GetRunResult() == CSinReader::RunRestartNeeded;
    text.Format(CResString(IDS_INSTALL_COMPLETE), appName.GetText());
    // Until a restart the earlier files are the ones in place: nothing is
    // started from them.
    if (!restart && g_reader.GetInstallItem(Setting::LaunchExe, launch) && !launch.IsEmpty())
        run.Format(CResString(IDS_RUN_NOW), appName.GetText());
    CResString hint(restart ? IDS_INSTALL_COMPLETE_RESTART : IDS_CLICK_CLOSE);
    SCompletion completion = {text, g_strDestination, hint, run.IsEmpty() ? nullptr : run.GetText()};
    LayOutProgressPage(page, &completion);
    EnableWindow(GetDlgItem(g_hwndMain, IDCANCEL), FALSE);
    const HWND close = GetDlgItem(g_hwndMain, IDC_WIZARD_NEXT);
    SetWindowTextA(close, CResString(IDS_CLOSE));
    EnableWindow(close, TRUE);
    FocusSheetButton(page, IDC_WIZARD_NEXT);
    g_bClosing = true;
}

// After Cancel and the undo: what was left, or that nothing was changed.
static void TellCancelled()
{
    const Container::CArray<CSmallString>& left = GetNotUndone();
    CSmallString text;
    if (left.IsEmpty())
        text = CResString(IDS_CANCELLED);
    else
        text.Format(CResString(IDS_CANCELLED_NOT_UNDONE), ListForUser(left).GetText());
    KxMessageBox(g_hwndMain, text, GetInstallerCaption(g_reader), MB_OK | (left.IsEmpty() ? MB_ICONINFORMATION : MB_ICONWARNING));
}

// What held an earlier installation's files, kept to be started again.
static CRunningPrograms& ProgramsInUse()
{
    static CRunningPrograms s_programs;
    return s_programs;
}

static void RunInstallation(HWND page)
{
    // Nothing changes while programs hold the files already there.
    if (DoesFileExist(g_strDestination)) {
        const EInUse inUse =
            SettleProgramsInUse(g_hwndMain, GetInstallerCaption(g_reader), g_strDestination, ProgramsInUse());
        if (inUse != EInUse::Free) {
            g_nExitCode = inUse == EInUse::Cancelled ? ExitCode::Cancelled : ExitCode::FileInUse;
            OpenCancelPage();
            CloseWizard();
            return;
        }
    }
    CProgress progress(g_reader.GetInstallStepCount());
    g_bInstalling = true;
    const bool installed = g_reader.Install(g_strDestination, &progress);
    g_bInstalling = false;
    if (installed)
        progress.Finish();
    if (!installed) {
        // Undone already; the engine has told the user what went wrong.
        g_nExitCode = g_reader.GetExitCode();
        if (g_reader.GetRunResult() == CSinReader::RunCancelled) {
            TellCancelled();
            OpenCancelPage();
        }
        CloseWizard();
        return;
    }
    g_nExitCode = g_reader.GetExitCode();
    if (g_reader.GetRunResult() == CSinReader::RunRestartNeeded) {
        ShowCompletion(page);
        CSmallString appName;
        g_reader.GetShownAppName(appName);
        OfferWindowsRestart(g_hwndMain, GetInstallerCaption(g_reader), appName, true);
        return;
    }
    OfferRestart(g_hwndMain, GetInstallerCaption(g_reader), ProgramsInUse());
    ShowCompletion(page);
}

// Close: the application starts first when the user left Run checked.
static void Finish(HWND page)
{
    const HWND run = GetDlgItem(page, IDC_PROGRESS_RUN);
    if (IsWindowVisible(run) && IsDlgButtonChecked(page, IDC_PROGRESS_RUN) == BST_CHECKED &&
        LaunchInstalledProgram() == LaunchFailed)
        g_nExitCode = ExitCode::Failed;
    CloseWizard();
}

static INT_PTR OnNotify(HWND page, const NMHDR* header)
{
    switch (header->code) {
    case PSN_SETACTIVE:
        LogPageShown("Progress");
        OnSetActive(page);
        return SetPageResult(page, 0);
    case PSN_WIZNEXT:
        // Next is "Close" here and there is no page after this one: end the
        // wizard as Finish would, without the cancel question.
        if (g_bClosing)
            Finish(page);
        return SetPageResult(page, -1);
    case PSN_QUERYCANCEL:
        OnCancel(page);
        return TRUE;
    }
    return FALSE;
}

static INT_PTR HandleMessage(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        LayOutProgressPage(page, nullptr);
        return FALSE;
    case WM_PAINT:
        return PaintLogo(page);
    case WM_NOTIFY:
        return OnNotify(page, reinterpret_cast<const NMHDR*>(lParam));
    case WM_KX_INSTALL:
        RunInstallation(page);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK ProgressWndProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RunGuarded(HandleMessage, page, message, wParam, lParam);
}
