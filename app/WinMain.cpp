// The one program that installs, launches the uninstaller and uninstalls:
// a program that carries a package installs; one that carries none runs
// the uninstall log its command line names, or launches the uninstaller
// for the log beside it.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>

#include "AppGlobals.h"
#include "CommandLine.h"
#include "CommonControls.h"
#include "Destination.h"
#include "Caught.h"
#include "CopyFolder.h"
#include "CrashHandler.h"
#include "DllSearch.h"
#include "ExitCodes.h"
#include "FileText.h"
#include "Folders.h"
#include "Logo.h"
#include "Pages.h"
#include "ApplicationArchitecture.h"
#include "ElevatedRestart.h"
#include "InstallScope.h"
#include "RunElevated.h"
#include "Security.h"
#include "Recovery.h"
#include "Processes.h"
#include "AtRestart.h"
#include "ProgramsInUse.h"
#include "RestartQuestion.h"
#include "ReleasePtr.h"
#include "RunLock.h"
#include "SetupLog.h"
#include "SetupLogPlace.h"
#include "SinReader.h"
#include "UninstallDone.h"
#include "UninstallProgress.h"
#include "Startup.h"
#include "UsageBox.h"
#include "Language.h"
#include "UserMessages.h"
#include "WinPath.h"
#include "Wizard.h"
#include "XMLDocument.h"
#include "resource.h"
#include "win32/ComHandles.h"
#include "win32/Handles.h"
#include "win32/ResString.h"
#include "ScriptWords.h"

// Without the default handler the demangler stays out of the program.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx

namespace {

// A test build's way to prove the crash report: KX_TEST_CRASH=1 makes the
// program fault right after the handler is in place. Users never set it.
void CrashIfAsked()
{
    char value[4] = {0};
    if (GetEnvironmentVariableA("KX_TEST_CRASH", value, sizeof(value)) == 1 && value[0] == '1') {
        volatile int* volatile nowhere = nullptr;
        *nowhere = 1;
    }
}

void ShowUsage(const SCommandLine& line)
{
    if (line.bSilent)
        return;
    CSmallString text = line.strError.IsEmpty() ? CSmallString() : line.strError + "\n\n";
    const char* translated = GetTranslatedText(IDS_USAGE);
    text += translated ? translated : g_szUsage;
    ShowUsageBox(text, CResString(IDS_USAGE_TITLE), !line.strError.IsEmpty());
}

// A command line that can't be used, once the log is open: said there and
// (but with /S) with the usage.
int RefuseCommandLine(const SCommandLine& line)
{
    LogLine("Bad command line: %s", line.strError.GetText());
    ShowUsage(line);
    return ExitCode::BadCommandLine;
}

// The setup log at /LOG= or its default place. False when /LOG= is
// refused: it lies in the installation (installFolder, when known) or
// names something other than an earlier setup log. The default log then
// holds the lines, and line.strError says why, as for any bad command
// line. A /LOG= file the system can't create gives way to the default log
// with a line saying so.
bool OpenSetupLog(SCommandLine& line, const char* appName, const char* kind, const char* installFolder)
{
    CSmallString why;
    ELogOpen opened = LogFailed;
    if (!line.strLog.IsEmpty()) {
        if (LiesInFolder(line.strLog, installFolder)) {
            opened = LogRefused;
            why = "it lies in the installation's folder";
        } else {
            opened = g_setupLog.Open(line.strLog, why);
        }
        if (opened == LogOpened)
            return true;
    }
    const CSmallString stem = DefaultSetupLogStem(appName, kind);
    if (!g_setupLog.OpenFirstFree(stem))
        LogLine("No setup log is written: %s.log and the next names are taken by other files", stem.GetText());
    if (line.strLog.IsEmpty())
        return true;
    if (opened == LogFailed) {
        LogLine("The setup log can't be written to %s (%s): it is written here instead", line.strLog.GetText(),
                why.GetText());
        return true;
    }
    if (line.strError.IsEmpty())
        line.strError.Format("/LOG=%s is refused: %s", line.strLog.GetText(), why.GetText());
    return false;
}

const char* DllSearchText(EDllSearch search)
{
    switch (search) {
    case EDllSearch::SystemFolder:
        return "in the system folder only";
    case EDllSearch::NoCurrentFolder:
        return "beside the program and in the system folder, not in the current folder";
    default:
        return "as the system does by default";
    }
}

void StartLog(const char* what)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    LogLine("kxsetup %s, %04u-%02u-%02u", what, now.wYear, now.wMonth, now.wDay);
    LogLine("Command line: %s", GetCommandLineA());
    LogLine("DLLs are looked for %s", DllSearchText(GetDllSearch()));
}

void ShowWizard(const CSmallString& caption, int startPage)
{
    CResString terms(IDS_TITLE_TERMS), destination(IDS_TITLE_DESTINATION), progress(IDS_TITLE_PROGRESS);
    const CSmallString titles[3] = {caption + (const char*)terms, caption + (const char*)destination,
                                    caption + (const char*)progress};
    static const WORD s_uTemplates[3] = {IDD_TERMS, IDD_DESTINATION, IDD_PROGRESS};
    static const DLGPROC s_pfnProcs[3] = {TermsAndConditionsWndProc, DestinationWndProc, ProgressWndProc};

    PROPSHEETPAGEA pages[3];
    ZeroMemory(pages, sizeof(pages));
    for (int i = 0; i < 3; i++) {
        // The sheet steps through the array by dwSize: it must be the stride.
        pages[i].dwSize = sizeof(PROPSHEETPAGEA);
        pages[i].dwFlags = PSP_USETITLE;
        pages[i].hInstance = g_hInstance;
        pages[i].pszTemplate = MAKEINTRESOURCEA(s_uTemplates[i]);
        pages[i].pfnDlgProc = s_pfnProcs[i];
        pages[i].pszTitle = titles[i];
    }

    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof(header));
    header.dwSize = PROPSHEETHEADERA_V1_SIZE;
    header.dwFlags = PSH_USEICONID | PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_USECALLBACK;
    header.hInstance = g_hInstance;
    header.pszIcon = MAKEINTRESOURCEA(IDI_SETUP);
    header.nPages = 3;
    header.nStartPage = (UINT)startPage;
    header.ppsp = pages;
    header.pfnCallback = PropSheetCallback;
    if (ShowPropertySheet(&header) == -1) {
        const CSmallString why = GetLastErrorString();
        CResString failed(IDS_NO_WIZARD);
        Error(CSmallString(failed) + " because: " + why);
        g_nExitCode = ExitCode::Failed;
    }
}

// Unattended, installed in the other scope: that installation goes first,
// so that one Add/Remove entry remains. False when it stays.
bool RemoveOtherScope()
{
    CSmallString folder, uninstaller;
    int code = 0;
    if (!FindOtherScopeInstallation(g_reader, folder, uninstaller))
        return true;
    if (!MayRunOtherScopeUninstaller()) {
        LogLine("Installed just for the user in %s: that installation is to be uninstalled first (an elevated run "
                "starts no program the user's registry names): nothing was installed",
                folder.GetText());
        return false;
    }
    if (RemoveOtherScopeUnlocked(uninstaller, code))
        return true;
    LogLine("The installation in %s could not be removed (%d): nothing was installed", folder.GetText(), code);
    return false;
}

// /S: the destination from /D= or the proposal, no window at all.
int InstallSilently(const SCommandLine& line)
{
    const CSmallString asked = line.bDestination ? line.strDestination : ProposeDestination(g_reader);
    LogLine("Destination: %s%s", asked.GetText(), line.bDestination ? " (/D=)" : "");
    CSmallString destination;
    const CSmallString why = CheckDestination(g_reader, asked, destination);
    if (!why.IsEmpty()) {
        LogLine("Destination refused: %s", why.GetText());
        return ExitCode::Failed;
    }
    // Without /D= the log opened before the destination was known.
    if (!line.bDestination && LiesInFolder(line.strLog, destination)) {
        CSmallString appName;
        g_reader.GetInstallItem(Setting::AppName, appName);
        MoveSetupLogOutOf(destination, appName);
        LogLine("Bad command line: /LOG=%s is refused: it lies in the installation's folder, %s: nothing was "
                "installed",
                line.strLog.GetText(), destination.GetText());
        return ExitCode::BadCommandLine;
    }
    const CSmallString newer = GetNewerInstalledVersion(g_reader);
    if (!newer.IsEmpty()) {
        if (!line.bForce) {
            LogLine("Version %s is installed, newer than this installer's: not replaced without /FORCE",
                    newer.GetText());
            return ExitCode::NewerInstalled;
        }
        LogLine("Version %s is installed, newer than this installer's: replaced (/FORCE)", newer.GetText());
    }
    if (!RemoveOtherScope())
        return ExitCode::Failed;
    // Programs that hold an earlier installation's files: closed with
    // /CLOSEAPPLICATIONS, else nothing changes.
    CRunningPrograms programs;
    if (DoesFileExist(destination) &&
        SettleProgramsInUse(nullptr, GetInstallerCaption(g_reader), destination, programs) != EInUse::Free)
        return ExitCode::FileInUse;
    if (g_reader.Install(destination, nullptr))
        OfferRestart(nullptr, GetInstallerCaption(g_reader), programs);
    return g_reader.GetExitCode();
}

// A newer version is installed: asked before any page shows, so that No
// leaves at once. False when the user keeps it.
bool AgreeToDowngrade(const char* appName, const char* caption)
{
    const CSmallString newer = GetNewerInstalledVersion(g_reader);
    if (newer.IsEmpty())
        return true;
    CSmallString question, version;
    g_reader.GetInstallItem(Setting::Version, version);
    question.Format(CResString(IDS_DOWNGRADE_QUESTION), appName, newer.GetText(), version.GetText());
    if (KxMessageBox(nullptr, question, caption, MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) == IDYES)
        return true;
    LogLine("Version %s is installed, newer than this installer's: the user declined to replace it", newer.GetText());
    return false;
}

// 1 when the package could not be read, 4 for a refused /LOG=, else the
// installation's code.
int RunInstaller(const char* self, SCommandLine& line)
{
    // A log never goes into the folder being installed.
    const char* destination = line.bDestination ? line.strDestination.GetText() : nullptr;
    // Read as a stream: the items stay in the file until they are installed.
    if (!g_reader.OpenPackage(self)) {
        const bool logged = OpenSetupLog(line, nullptr, "install", destination);
        StartLog("installer");
        if (!logged)
            return RefuseCommandLine(line);
        LogLine("The package can't be used: %s", g_reader.GetLastFailure());
        Error(CResString(g_reader.IsUnreadable() ? IDS_CANT_READ_SELF : IDS_NO_PACKAGE));
        return ExitCode::PackageDamaged;
    }
    CSmallString appName;
    g_reader.GetInstallItem(Setting::AppName, appName);
    const bool logged = OpenSetupLog(line, appName, "install", destination);
    StartLog("installer");
    if (!logged)
        return RefuseCommandLine(line);
    LogLine("Package: %s (%u items)", self, g_reader.GetItemCount());
    g_reader.SetLanguage(ApplyLanguage(g_reader.FindSection(), line.strLanguage));
    // One installation of the application at a time, whoever runs it.
    CRunLock running;
    if (!running.Take("application", appName)) {
        TellInProgress(appName);
        return ExitCode::InProgress;
    }
    CSmallString support;
    g_reader.GetInstallItem(Setting::SupportUrl, support);
    SetCrashSupportUrl(support);
    CrashIfAsked();
    CSmallString architecture;
    g_reader.GetInstallItem(Setting::Architecture, architecture);
    if (!TakeApplicationArchitecture(architecture, appName, true))
        return ExitCode::Failed;
    CSmallString installScope;
    g_reader.GetInstallItem(Setting::Scope, installScope);
    if (!TakeInstallScope(installScope))
        return ExitCode::Failed;
    if (GetInstallScope() == ScopeChoose) {
        const char* why = "";
        SetInstallScope(ProposeScope(g_reader, line.bAllUsers, line.bCurrentUser, why));
        SetScopeChoosable(true);
        LogLine("Scope to choose: %s proposed (%s)", GetScopeName(GetInstallScope()), why);
    } else if (line.bAllUsers || line.bCurrentUser) {
        LogLine("%s ignored: the script does not let the user choose", line.bAllUsers ? "/ALLUSERS" : "/CURRENTUSER");
    }
    g_pCommandLine = &line;
    g_pRunLock = &running;
    g_strRunLockName = appName;
    // For every user, and without the rights for it: the installer runs
    // again elevated, and its result is this run's.
    if (line.bSilent && IsScopeChoosable() && GetInstallScope() == ScopeMachine && !IsProcessElevated()) {
        // A per-user installation goes first, while this run has the
        // user's rights alone.
        if (!RemoveOtherScope())
            return ExitCode::Failed;
        DWORD code = 0, error = 0;
        if (!RestartElevated(nullptr, line.bDestination ? line.strDestination.GetText() : nullptr, false, code, error))
            return ExitCode::Failed;
        return (int)code;
    }

    // Before anything else: what an earlier run of this application left
    // half done is undone (or finished) first.
    SRecoveryScope scope;
    scope.strName = appName;
    scope.strApp = GetUninstallKeyName(g_reader);
    if (scope.strApp.IsEmpty())
        scope.strApp = appName;
    RecoverInterruptedRuns(scope, nullptr);

    if (line.bSilent)
        return InstallSilently(line);

    const CSmallString caption = GetInstallerCaption(g_reader);

    Container::CArray<unsigned char> logo;
    g_reader.GetInstallBinaryItem(Setting::Logo, logo);
    LoadInstallerLogo(logo);

    // Restarted elevated by the wizard: the terms were agreed and the
    // destination chosen; this wizard starts installing.
    int startPage = 0;
    if (line.bElevated && line.bDestination) {
        CSmallString destination;
        const CSmallString why = CheckDestination(g_reader, line.strDestination, destination);
        if (why.IsEmpty()) {
            g_strDestination = destination;
            startPage = 2;
        }
    } else if (!AgreeToDowngrade(appName, caption)) {
        return ExitCode::NewerInstalled;
    }
    ShowWizard(caption, startPage);
    return g_nExitCode;
}

// The temporary copy: runs the log, reports to the launcher, and once the
// launcher has ended removes its file.
int RunUninstaller(SCommandLine& line)
{
    CSmallString appName, architecture, installScope;
    const CReleasePtr<CXMLDocument> log(CXMLDocument::Load(line.strUninstallLog));
    CXMLNode* const uninstall = log ? log->FindNode(Section::Uninstall) : nullptr;
    if (const CXMLNode* section = uninstall) {
        if (const CXMLNode* name = section->FindNode(Setting::AppName))
            appName = name->GetText();
        // The installation's: its keys are in that view.
        if (const CXMLNode* recorded = section->FindNode(Setting::Architecture))
            architecture = recorded->GetText();
        if (const CXMLNode* recorded = section->FindNode(Setting::Scope))
            installScope = recorded->GetText();
    }
    // The installation is the log's folder: a log written there could be
    // the uninstall log itself.
    char folder[1024] = {0};
    const DWORD n = GetFullPathNameA(line.strUninstallLog, sizeof(folder), folder, nullptr);
    if (n && n < sizeof(folder))
        WinPath::RemoveFilename(folder, folder);
    else
        folder[0] = 0;
    const bool logged = OpenSetupLog(line, appName, "uninstall", folder);
    StartLog("uninstaller");
    // The language the installation spoke, which the log records.
    ApplyLanguage(uninstall, line.strLanguage);
    int code = 0;
    // The uninstall's journal, kept until everything (the launcher's file
    // included) is gone.
    SUninstallRun run;
    if (!logged) {
        code = RefuseCommandLine(line);
    } else if (!TakeApplicationArchitecture(architecture, appName, false) || !TakeInstallScope(installScope)) {
        code = ExitCode::Failed;
    } else {
        // Started by an older launcher, which ends on its own: let it go first.
        if (!line.ulParent)
            Sleep(200);
        if (!line.strKeep.IsEmpty())
            g_reader.SetKeepFile(line.strKeep);
        g_reader.SetRequireRegistration(true);
        // The launcher, which started this copy, waits running from the
        // installation's folder (its handle may only be waited for).
        if (line.ulParent)
            SetUninstallLauncher(GetParentProcessId());
        g_reader.SetFolderInUseCheck(CheckUninstallFolder);
        // What an earlier run left half done comes first; an uninstall of
        // this folder that was cut short is finished by this run, from the
        // log it saved.
        SRecoveryScope scope;
        scope.strName = appName;
        scope.strFolder = folder;
        RecoverInterruptedRuns(scope, &run);
        // Unattended, no window at all.
        CUninstallProgress window(appName);
        CSinProgressABC* progress = line.bSilent ? nullptr : &window;
        if (run.journal.IsOpen())
            g_reader.FinishUninstall(run, !line.bSilent, true, progress);
        else
            g_reader.UninstallFromScript(line.strUninstallLog, !line.bSilent, progress, &run);
        code = g_reader.GetExitCode();
    }
    CSmallString leftBehind;
    const bool removed = g_reader.WasRemoved(leftBehind);
    // One box at the end, while the launcher still waits: where the restart
    // question follows, it is that box.
    if (removed && (code != ExitCode::RestartNeeded || !IsRestartOffered()))
        TellUninstalled(appName, leftBehind);

    // Handles the launcher passed down: inherited, so ours to close.
    CAutoHandle pipe((HANDLE)(ULONG_PTR)line.ulResultPipe), parent((HANDLE)(ULONG_PTR)line.ulParent);
    if (pipe.IsValid()) {
        DWORD written = 0;
        const DWORD result = (DWORD)code;
        WriteFile(pipe, &result, sizeof(result), &written, nullptr);
        pipe.Close();
    }
    if (parent.IsValid())
        WaitForSingleObject(parent, 10000);
    g_reader.RemoveKeptFile();
    EndUninstallRun(run);
    if (code == ExitCode::RestartNeeded)
        OfferWindowsRestart(nullptr, GetUninstallCaption(appName), appName, false, leftBehind);
    return code;
}

// An installation for every user whose uninstaller asks for no rights (the
// stub of an installer that let the user choose): run by someone without
// them, it runs again elevated.
bool NeedsElevationToUninstall(const char* logPath)
{
    if (IsProcessElevated())
        return false;
    const CReleasePtr<CXMLDocument> log(CXMLDocument::Load(logPath));
    const CXMLNode* section = log ? log->FindNode(Section::Uninstall) : nullptr;
    const CXMLNode* recorded = section ? section->FindNode(Setting::Scope) : nullptr;
    EScope scope = ScopeUnset;
    return recorded && ParseScope(recorded->GetText(), scope) && scope == ScopeMachine;
}

int RefuseUnelevated(const char* logPath)
{
    CSmallString appName;
    const CReleasePtr<CXMLDocument> log(CXMLDocument::Load(logPath));
    const CXMLNode* section = log ? log->FindNode(Section::Uninstall) : nullptr;
    if (const CXMLNode* name = section ? section->FindNode(Setting::AppName) : nullptr)
        appName = name->GetText();
    CSmallString message;
    message.Format(CResString(IDS_UNINSTALL_NEEDS_ADMIN), appName.IsEmpty() ? "The application" : appName.GetText());
    Error(message);
    return ExitCode::Failed;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Before anything loads a DLL, so that none comes from the program's
    // folder (a download folder, say) or the current one.
    RestrictDllSearch();
    g_hInstance = instance;
    if (!Initialise()) {
        Error("Couldn't initialise setup");
        return ExitCode::Failed;
    }
    SCommandLine line;
    bool understood = ParseCommandLine(GetCommandLineA(), line);
    char self[520] = {0};
    GetModuleFileNameA(nullptr, self, sizeof(self) - 1);
    // Whatever lies beside it or its command line names, a program that
    // carries a package (even a damaged one) never uninstalls.
    const bool installer = CarriesPackage(self);
    if (understood && installer && !line.strUninstallLog.IsEmpty()) {
        understood = false;
        line.strError = CSmallString("an installer runs no uninstall log: ") + line.strUninstallLog;
    }
    SetUnattended(line.bSilent);
    SetCloseApplications(line.bCloseApplications);
    AllowFinishAtRestart(line.bRebootOk);
    SetNeverRestart(line.bNoRestart);
    SetCrashQuiet(line.bSilent);
    if (!understood || line.bHelp) {
        if (!line.bSilent)
            InitialiseCommonControls();
        const bool logged = line.strLog.IsEmpty() || OpenSetupLog(line, nullptr, "install", nullptr);
        const int code = understood && logged ? ExitCode::Done : ExitCode::BadCommandLine;
        if (code == 0)
            LogLine("Usage shown (/?)");
        else
            LogLine("Bad command line: %s", line.strError.GetText());
        // In the user's language, where the package carries it; the
        // uninstaller's in its installation's, which its log records.
        if (installer && !line.bSilent && g_reader.OpenPackage(self)) {
            ApplyLanguage(g_reader.FindSection(), line.strLanguage);
        } else if (!installer && !line.bSilent) {
            const CReleasePtr<CXMLDocument> log(CXMLDocument::Load(GetUninstallLogPath(self)));
            if (log)
                ApplyLanguage(log->FindNode(Section::Uninstall), line.strLanguage);
        }
        ShowUsage(line);
        LogLine("Exit code %d", code);
        return code;
    }

    CSmallString why;
    int code = 0;
    const bool ran = RunCaught(
        [&] {
            // The launcher of an uninstall only copies itself and waits: it
            // loads no common controls, tens of milliseconds of a process
            // start under Wine; nor does an unattended run, which shows no
            // window. COM is started by what needs it (shortcuts, COM
            // servers, the shell, the folder browser), on its own thread.
            const auto mayShowWindows = [&] {
                if (!line.bSilent)
                    InitialiseCommonControls();
            };
            if (!installer && !line.strUninstallLog.IsEmpty()) {
                mayShowWindows();
                code = RunUninstaller(line);
                return;
            }
            const CSmallString log = GetUninstallLogPath(self);
            if (installer || !DoesFileExist(log)) {
                // A bare stub without a log is told it holds no package.
                mayShowWindows();
                code = RunInstaller(self, line);
            } else if (NeedsElevationToUninstall(log)) {
                mayShowWindows();
                DWORD elevatedCode = 0, error = 0;
                code = RunSelfElevated(nullptr, ComposeArguments(line), elevatedCode, error) ? (int)elevatedCode
                                                                                            : RefuseUnelevated(log);
            } else if ((code = CommitSuicide(log, line)) < 0) {
                // The copy never ran, so it wrote no log: say why here.
                char folder[520];
                WinPath::RemoveFilename(self, folder);
                code = OpenSetupLog(line, nullptr, "uninstall", folder) ? ExitCode::Failed : ExitCode::BadCommandLine;
                StartLog("uninstaller");
                if (code == ExitCode::BadCommandLine)
                    RefuseCommandLine(line);
            }
        },
        why);
    if (!ran) {
        LogLine("Unexpected error: %s", why.GetText());
        CSmallString text;
        text.Format(CResString(IDS_UNEXPECTED_ERROR), why.GetText());
        Error(text);
        code = ExitCode::Failed;
    }
    LogLine("Exit code %d", code);
    // The temporary copy's last act: its folder goes once it has ended.
    if (!line.strUninstallLog.IsEmpty())
        RemoveCopyFolderLater();
    g_setupLog.Close();

    FreeInstallerLogo();
    return code;
}
