// Second page: where to install.
#include <windows.h>
#include <commctrl.h>

#include "WizardState.h"
#include "Destination.h"
#include "Folders.h"
#include "WinPath.h"
#include "DirDialog.h"
#include "DestinationSpace.h"
#include "ElevatedRestart.h"
#include "InstallScope.h"
#include "Security.h"
#include "Exceptions.h"
#include "PageControls.h"
#include "PageLayout.h"
#include "Pages.h"
#include "SetupLog.h"
#include "SetupLogPlace.h"
#include "SinReader.h"
#include "UserMessages.h"
#include "Wizard.h"
#include "resource.h"
#include "win32/ResString.h"
#include "ScriptWords.h"

static CSmallString GetAppName()
{
    CSmallString name;
    g_reader.GetShownAppName(name);
    return name;
}

// The name the installation goes by, whatever the language.
static CSmallString GetInstalledAppName()
{
    CSmallString name;
    g_reader.GetInstallItem(Setting::AppName, name);
    return name;
}

// The whole field: a path cut at MAX_PATH would install somewhere else.
static CSmallString GetPathField(HWND page)
{
    const HWND field = GetDlgItem(page, IDC_DEST_PATH);
    const int length = GetWindowTextLengthA(field);
    CSmallString path;
    GetWindowTextA(field, path.GetBuffer(length + 1), length + 1);
    path.ReleaseBuffer();
    path.TrimBoth();
    return path;
}

// Moves the four controls down together until the text clears the logo.
static void MakeRoomForLogo(HWND page)
{
    const SIZE logo = GetLogoSize();
    const RECT intro = GetRectInPage(page, IDC_DEST_INTRO);
    if (intro.top >= logo.cy)
        return;
    const int shift = logo.cy + 10 - intro.top;
    static const int s_nIds[] = {IDC_DEST_INTRO,     IDC_DEST_LABEL,   IDC_DEST_PATH,           IDC_DEST_BROWSE,
                                 IDC_DEST_ALL_USERS, IDC_DEST_JUST_ME, IDC_DEST_SPACE_REQUIRED, IDC_DEST_SPACE_AVAILABLE};
    const int count = (int)(sizeof(s_nIds) / sizeof(s_nIds[0]));
    HDWP batch = BeginDeferWindowPos(count);
    for (int i = 0; i < count && batch; i++) {
        const RECT rect = GetRectInPage(page, s_nIds[i]);
        batch = DeferWindowPos(batch, GetDlgItem(page, s_nIds[i]), nullptr, rect.left, rect.top + shift, 0, 0,
                               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch)
        EndDeferWindowPos(batch);
}

void LayOutDestinationPage(HWND page, const char* appName)
{
    static const SControlText s_texts[] = {{IDC_DEST_INTRO, IDS_DEST_INTRO},
                                           {IDC_DEST_LABEL, IDS_DEST_LABEL},
                                           {IDC_DEST_BROWSE, IDS_BROWSE},
                                           {IDC_DEST_ALL_USERS, IDS_ALL_USERS},
                                           {IDC_DEST_JUST_ME, IDS_JUST_ME}};
    TranslateControls(page, s_texts, sizeof(s_texts) / sizeof(s_texts[0]));
    char intro[1024] = {0};
    GetDlgItemTextA(page, IDC_DEST_INTRO, intro, sizeof(intro));
    CSmallString text;
    text.Format(intro, appName);
    SetDlgItemTextA(page, IDC_DEST_INTRO, text);
    WidenButtonLeftward(page, IDC_DEST_BROWSE, IDC_DEST_PATH);
    KeepLeftToRight(GetDlgItem(page, IDC_DEST_PATH));
    MakeRoomForLogo(page);
    FitTexts(page);
}

// The space the installation takes, and what the drive of the folder in
// the field has free, told again as the field changes.
static void ShowSpace(HWND page)
{
    unsigned long long required = 0, available = 0;
    CSmallString text;
    if (g_reader.GetSpaceRequired(required))
        text.Format(CResString(IDS_SPACE_REQUIRED), FormatByteSize(required).GetText());
    SetDlgItemTextA(page, IDC_DEST_SPACE_REQUIRED, text);
    if (GetFolderFreeSpace(GetPathField(page), available))
        text.Format(CResString(IDS_SPACE_AVAILABLE), FormatByteSize(available).GetText());
    else
        text = CResString(IDS_SPACE_UNKNOWN);
    SetDlgItemTextA(page, IDC_DEST_SPACE_AVAILABLE, text);
}

// Whether the folder can be made and written, and the drive holds the
// files: otherwise the user is told why and stays on the page.
static bool CanInstallInto(HWND page, const CSmallString& destination, bool tryWriting)
{
    CSmallString failed;
    DWORD error = 0;
    if (tryWriting && !TryWriting(destination, failed, error)) {
        LogLine("Destination refused: %s can't be written (%s)", failed.GetText(),
                GetLastErrorString((int)error).GetText());
        CSmallString message, reason;
        message.Format(CResString(IDS_WRITE_FAILED), failed.GetText());
        reason.Format(CResString(IDS_SYSTEM_REASON), GetLastErrorString((int)error).GetText());
        KxMessageBox(page, message + reason, CResString(IDS_SETUP_ERROR), MB_OK | MB_ICONWARNING);
        return false;
    }
    unsigned long long required = 0, available = 0;
    if (g_reader.GetSpaceRequired(required) && GetFolderFreeSpace(destination, available) && available < required) {
        LogLine("Destination refused: %llu bytes are required, %llu are free", required, available);
        CSmallString message;
        message.Format(CResString(IDS_DEST_NO_SPACE), destination.GetText(), FormatByteSize(required).GetText(),
                       FormatByteSize(available).GetText());
        KxMessageBox(page, message, CResString(IDS_SETUP_ERROR), MB_OK | MB_ICONWARNING);
        return false;
    }
    return true;
}

static void OnInitDialog(HWND page)
{
    // Proposed once; the page holds it until the user leaves the page.
    g_strDestination = ProposeDestination(g_reader);
    SetDlgItemTextA(page, IDC_DEST_PATH, g_strDestination);
    if (IsScopeChoosable()) {
        ShowWindow(GetDlgItem(page, IDC_DEST_ALL_USERS), SW_SHOW);
        ShowWindow(GetDlgItem(page, IDC_DEST_JUST_ME), SW_SHOW);
        CheckRadioButton(page, IDC_DEST_ALL_USERS, IDC_DEST_JUST_ME,
                         GetInstallScope() == ScopeMachine ? IDC_DEST_ALL_USERS : IDC_DEST_JUST_ME);
    }
    ShowSpace(page);
    LayOutDestinationPage(page, GetAppName());
}

// The other scope chosen: the proposal follows it (Program Files or the
// user's programs folder) unless the user has typed a folder of their own.
static void OnScopeChosen(HWND page, EScope scope)
{
    if (scope == GetInstallScope())
        return;
    const CSmallString proposed = ProposeDestination(g_reader);
    SetInstallScope(scope);
    LogLine("Scope chosen: %s", GetScopeName(scope));
    if (GetPathField(page) == proposed)
        SetDlgItemTextA(page, IDC_DEST_PATH, ProposeDestination(g_reader));
}

// For every user, chosen here, without the rights for it.
static bool IsElevationNeeded()
{
    return IsScopeChoosable() && GetInstallScope() == ScopeMachine && !IsProcessElevated();
}

// For every user without the rights for it: the installer goes on
// elevated, and this one ends with its result. -1 keeps the page (the
// prompt declined).
static LONG ContinueElevated(HWND page, const CSmallString& destination)
{
    const HWND wizard = GetParent(page);
    ShowWindow(wizard, SW_HIDE);
    DWORD code = 0, error = 0;
    if (!RestartElevated(wizard, destination, true, code, error)) {
        ShowWindow(wizard, SW_SHOW);
        CSmallString message;
        message.Format(CResString(IDS_ELEVATION_DECLINED), GetAppName().GetText());
        KxMessageBox(page, message, GetInstallerCaption(g_reader), MB_OK | MB_ICONWARNING);
        return -1;
    }
    g_nExitCode = (int)code;
    g_bClosing = true;
    PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    return -1;
}

// -1 keeps the page, 0 lets the wizard move on.
static LONG OnWizardNext(HWND page)
{
    if (IsFaultAsked("page"))
        throw new CExtraInfoException(CBaseException::InternalError, "KX_TEST_FAULT=page");
    const CSmallString typed = GetPathField(page);
    CResString caption(IDS_SETUP_ERROR);
    CSmallString destination;
    const CSmallString why = CheckDestination(g_reader, typed, destination);
    if (!why.IsEmpty()) {
        KxMessageBox(page, why, caption, MB_OK | MB_ICONWARNING);
        return -1;
    }
    // Made and written by the elevated run, when there is one: this one may
    // lack the rights for the folder.
    if (!CanInstallInto(page, destination, !IsElevationNeeded()))
        return -1;
    LogLine("Destination: %s", destination.GetText());
    // An earlier installation of this application is ours to replace.
    const bool earlier = IsEarlierInstall(g_reader, destination);
    if (!earlier && IsFolderOccupied(destination)) {
        CSmallString question;
        question.Format(CResString(IDS_FOLDER_NOT_EMPTY), destination.GetText());
        if (KxMessageBox(page, question, GetInstallerCaption(g_reader), MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING) !=
            IDYES)
            return -1;
    }
    // Installed in the other scope: asked, and that installation goes first.
    CSmallString otherFolder, otherUninstaller;
    if (FindOtherScopeInstallation(g_reader, otherFolder, otherUninstaller) && !MayRunOtherScopeUninstaller()) {
        CSmallString message;
        message.Format(CResString(IDS_OTHER_SCOPE_UNINSTALL_FIRST), GetAppName().GetText(), otherFolder.GetText(),
                       GetAppName().GetText());
        KxMessageBox(page, message, GetInstallerCaption(g_reader), MB_OK | MB_ICONINFORMATION);
        return -1;
    }
    if (FindOtherScopeInstallation(g_reader, otherFolder, otherUninstaller)) {
        CSmallString question;
        const bool forUser = IsPerUser();
        CResString allUsers(IDS_SCOPE_ALL_USERS), justYou(IDS_SCOPE_JUST_YOU);
        question.Format(CResString(IDS_OTHER_SCOPE_QUESTION), GetAppName().GetText(),
                        forUser ? (const char*)allUsers : (const char*)justYou, otherFolder.GetText(),
                        forUser ? (const char*)justYou : (const char*)allUsers);
        if (KxMessageBox(page, question, GetInstallerCaption(g_reader), MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) !=
            IDYES)
            return -1;
        int code = 0;
        if (!RemoveOtherScopeUnlocked(otherUninstaller, code)) {
            CSmallString message;
            message.Format(CResString(IDS_OTHER_SCOPE_NOT_REMOVED), GetAppName().GetText(), otherFolder.GetText(),
                           code);
            KxMessageBox(page, message, CResString(IDS_SETUP_ERROR), MB_OK | MB_ICONWARNING);
            return -1;
        }
    }
    // The destination is fixed: a /LOG= that lies in it stops there.
    MoveSetupLogOutOf(destination, GetInstalledAppName());
    if (IsElevationNeeded())
        return ContinueElevated(page, destination);
    // What the Progress page installs into.
    g_strDestination = destination;
    return 0;
}

static void OnBrowse(HWND page)
{
    CSmallString path = GetPathField(page);
    if (path.IsEmpty())
        path = g_strDestination;
    CSmallString title;
    title.Format(CResString(IDS_BROWSE_TITLE), GetAppName().GetText());
    CDirDialog browser(title, path, page);
    if (!browser.DoBrowse())
        return;
    const CSmallString picked = browser.GetPath();
    CSmallString defaultPath;
    g_reader.GetInstallItem(Setting::DefaultPath, defaultPath);
    // An empty folder (not a drive) was most likely made for this program.
    const CSmallString normalised = WinPath::Normalise(picked);
    const DWORD attributes = GetFileAttributesA(picked);
    const bool emptyFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                             normalised.GetLength() > WinPath::RootLength(normalised) && !IsFolderOccupied(picked);
    SetDlgItemTextA(page, IDC_DEST_PATH, WinPath::AddAppFolder(picked, defaultPath, emptyFolder));
}

static INT_PTR OnNotify(HWND page, const NMHDR* header)
{
    switch (header->code) {
    case PSN_SETACTIVE: {
        LogPageShown("Destination");
        CResString install(IDS_INSTALL_BUTTON);
        SetWizardNext(page, install, PSWIZB_BACK | PSWIZB_NEXT);
        SetDlgItemTextA(page, IDC_DEST_PATH, g_strDestination);
        ShowSpace(page);
        return SetPageResult(page, 0);
    }
    case PSN_WIZNEXT:
        return SetPageResult(page, OnWizardNext(page));
    case PSN_QUERYCANCEL:
        OnCancel(page);
        return TRUE;
    }
    return FALSE;
}

static INT_PTR HandleMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(page);
        return TRUE;
    case WM_PAINT:
        return PaintLogo(page);
    case WM_NOTIFY:
        return OnNotify(page, reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_DEST_PATH && HIWORD(wParam) == EN_CHANGE) {
            ShowSpace(page);
            return TRUE;
        }
        if (LOWORD(wParam) == IDC_DEST_BROWSE && HIWORD(wParam) == BN_CLICKED) {
            OnBrowse(page);
            return TRUE;
        }
        if ((LOWORD(wParam) == IDC_DEST_ALL_USERS || LOWORD(wParam) == IDC_DEST_JUST_ME) &&
            HIWORD(wParam) == BN_CLICKED) {
            OnScopeChosen(page, LOWORD(wParam) == IDC_DEST_ALL_USERS ? ScopeMachine : ScopeUser);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK DestinationWndProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    return RunGuarded(HandleMessage, page, message, wParam, lParam);
}
