// The one program that installs, launches the uninstaller and uninstalls:
// the mode follows from the command line and from an uninstall log beside
// the program.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstdlib>

#include "AppGlobals.h"
#include "DefaultPath.h"
#include "EngineHelpers.h"
#include "Exceptions.h"
#include "Folders.h"
#include "Logo.h"
#include "Pages.h"
#include "SinReader.h"
#include "Startup.h"
#include "UserMessages.h"
#include "Wizard.h"
#include "win32/ResString.h"

// Without the default handler the demangler stays out of the program.
namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx

// A test build's way to prove the crash report: KX_TEST_CRASH=1 makes the
// program fault right after the handler is in place. Users never set it.
static void CrashIfAsked()
{
    char value[4] = {0};
    if (GetEnvironmentVariableA("KX_TEST_CRASH", value, sizeof(value)) == 1 && value[0] == '1') {
        volatile int* volatile nowhere = nullptr;
        *nowhere = 1;
    }
}

static void ShowWizard(const CSmallString& caption)
{
    CResString terms(9), destination(10), progress(11);
    const CSmallString titles[3] = {caption + (const char*)terms, caption + (const char*)destination,
                                    caption + (const char*)progress};
    static const WORD s_uTemplates[3] = {103, 104, 105};
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
    header.pszIcon = MAKEINTRESOURCEA(110);
    header.nPages = 3;
    header.nStartPage = 0;
    header.ppsp = pages;
    header.pfnCallback = PropSheetCallback;
    if (PropertySheetA(&header) == -1) {
        const CSmallString why = GetLastErrorString();
        CResString failed(12);
        Error(CSmallString(failed) + " because: " + why);
    }
}

// 0 when the wizard ran, 1 when the package could not be read.
static int RunInstaller(const char* self, CSmallString& logoPath)
{
    Container::CArray<unsigned char> image;
    if (!ReadFileIntoArray(self, image)) {
        Error(CResString(15));
        return 1;
    }
    RemoveJunkFromTheEndOfTheArray(image);
    if (!g_reader.ExtractFromDataBlock(image)) {
        Error(CResString(16));
        return 1;
    }

    CSmallString caption;
    g_reader.GetInstallItem("installer-caption", caption);

    Container::CArray<unsigned char> logo;
    g_reader.GetInstallBinaryItem("logo", logo);
    LoadInstallerLogo(logo, logoPath);

    g_reader.GetInstallItem("default-path", g_strDestination);
    ReplaceProgramFiles(g_strDestination);

    ShowWizard(caption);
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_hInstance = instance;
    if (!Initialise()) {
        Error("Couldn't initialise setup");
        return 0;
    }
    CrashIfAsked();

    char self[520] = {0};
    GetModuleFileNameA(nullptr, self, sizeof(self) - 1);

    CSmallString logoPath;
    try {
        if (__argc == 2) {
            // Let the launching copy end before its folder goes.
            Sleep(200);
            g_reader.UninstallFromScript(__argv[1]);
        } else {
            const CSmallString log = GetUninstallLogPath(self);
            if (DoesFileExist(log)) {
                CSmallString argument;
                argument.Format("\"%s\"", log.GetText());
                CommitSuicide(argument);
            } else if (RunInstaller(self, logoPath) != 0) {
                return 1;
            }
        }
    } catch (CBaseException* e) {
        e->Delete();
    }

    FreeInstallerLogo(logoPath);
    CoUninitialize();
    return 0;
}
