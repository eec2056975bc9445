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
#include "CrashHandler.h"
#include "DllSearch.h"
#include "FileText.h"
#include "Folders.h"
#include "Logo.h"
#include "Pages.h"
#include "ReleasePtr.h"
#include "SetupLog.h"
#include "SinReader.h"
#include "Startup.h"
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

// The setup log at /LOG= or its default place; the run's first lines.
void OpenSetupLog(const SCommandLine& line, const char* appName, const char* kind)
{
    const CSmallString path = line.strLog.IsEmpty() ? DefaultSetupLogPath(appName, kind) : line.strLog;
    if (!g_setupLog.Open(path))
        LogLine("The setup log can't be written to %s", path.GetText());
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

void ShowWizard(const CSmallString& caption)
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
    header.nStartPage = 0;
    header.ppsp = pages;
    header.pfnCallback = PropSheetCallback;
    if (ShowPropertySheet(&header) == -1) {
        const CSmallString why = GetLastErrorString();
        CResString failed(IDS_NO_WIZARD);
        Error(CSmallString(failed) + " because: " + why);
        g_nExitCode = 3;
    }
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
        return line.bDestination ? 4 : 3;
    }
    const CSmallString newer = GetNewerInstalledVersion(g_reader);
    if (!newer.IsEmpty()) {
        if (!line.bForce) {
            LogLine("Version %s is installed, newer than this installer's: not replaced without /FORCE",
                    newer.GetText());
            return 3;
        }
        LogLine("Version %s is installed, newer than this installer's: replaced (/FORCE)", newer.GetText());
    }
    g_reader.Install(destination, nullptr);
    return g_reader.GetExitCode();
}

// 1 when the package could not be read, else the installation's code.
int RunInstaller(const char* self, const SCommandLine& line, CSmallString& logoPath)
{
    // Read as a stream: the items stay in the file until they are installed.
    if (!g_reader.OpenPackage(self)) {
        OpenSetupLog(line, nullptr, "install");
        StartLog("installer");
        LogLine("The package can't be used: %s", g_reader.GetLastFailure());
        Error(CResString(g_reader.IsUnreadable() ? IDS_CANT_READ_SELF : IDS_NO_PACKAGE));
        return 1;
    }
    CSmallString appName;
    g_reader.GetInstallItem(Setting::AppName, appName);
    OpenSetupLog(line, appName, "install");
    StartLog("installer");
    LogLine("Package: %s (%u items)", self, g_reader.GetItemCount());
    CSmallString support;
    g_reader.GetInstallItem(Setting::SupportUrl, support);
    SetCrashSupportUrl(support);
    CrashIfAsked();

    if (line.bSilent)
        return InstallSilently(line);

    const CSmallString caption = GetInstallerCaption(g_reader);

    Container::CArray<unsigned char> logo;
    g_reader.GetInstallBinaryItem(Setting::Logo, logo);
    LoadInstallerLogo(logo, logoPath);

    ShowWizard(caption);
    return g_nExitCode;
}

// The temporary copy: runs the log, reports to the launcher, and once the
// launcher has ended removes its file.
int RunUninstaller(const SCommandLine& line)
{
    CSmallString appName;
    const CReleasePtr<CXMLDocument> log(CXMLDocument::Load(line.strUninstallLog));
    if (const CXMLNode* section = log ? log->FindNode(Section::Uninstall) : nullptr)
        if (const CXMLNode* name = section->FindNode(Setting::AppName))
            appName = name->GetText();
    OpenSetupLog(line, appName, "uninstall");
    StartLog("uninstaller");
    // Started by an older launcher, which ends on its own: let it go first.
    if (!line.ulParent)
        Sleep(200);
    if (!line.strKeep.IsEmpty())
        g_reader.SetKeepFile(line.strKeep);
    g_reader.UninstallFromScript(line.strUninstallLog, !line.bSilent);
    const int code = g_reader.GetExitCode();

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
    return code;
}

void ShowUsage(const SCommandLine& line)
{
    if (line.bSilent)
        return;
    CSmallString text = line.strError.IsEmpty() ? CSmallString() : line.strError + "\n\n";
    text += g_szUsage;
    KxMessageBox(nullptr, text, CResString(IDS_USAGE_TITLE),
                 MB_OK | (line.strError.IsEmpty() ? MB_ICONINFORMATION : MB_ICONWARNING));
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
        return 3;
    }
    // Shortcuts and the folder browser are COM objects of this thread.
    const CComInit com;
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
    SetCrashQuiet(line.bSilent);
    if (!understood || line.bHelp) {
        if (!line.strLog.IsEmpty())
            OpenSetupLog(line, nullptr, "install");
        if (understood)
            LogLine("Usage shown (/?)");
        else
            LogLine("Bad command line: %s", line.strError.GetText());
        ShowUsage(line);
        LogLine("Exit code %d", understood ? 0 : 4);
        return understood ? 0 : 4;
    }

    CSmallString logoPath, why;
    int code = 0;
    const bool ran = RunCaught(
        [&] {
            if (!installer && !line.strUninstallLog.IsEmpty()) {
                code = RunUninstaller(line);
                return;
            }
            const CSmallString log = GetUninstallLogPath(self);
            if (installer || !DoesFileExist(log)) {
                // A bare stub without a log is told it holds no package.
                code = RunInstaller(self, line, logoPath);
            } else if ((code = CommitSuicide(log, line)) < 0) {
                // The copy never ran, so it wrote no log: say why here.
                OpenSetupLog(line, nullptr, "uninstall");
                StartLog("uninstaller");
                code = 3;
            }
        },
        why);
    if (!ran) {
        LogLine("Unexpected error: %s", why.GetText());
        CSmallString text;
        text.Format(CResString(IDS_UNEXPECTED_ERROR), why.GetText());
        Error(text);
        code = 3;
    }
    LogLine("Exit code %d", code);
    g_setupLog.Close();

    FreeInstallerLogo(logoPath);
    return code;
}
