// Uninstall registration after a successful installation, and the run of
// an uninstall log.
#include "Browser.h"
#include "EngineHelpers.h"
#include "FileText.h"
#include "SinReader.h"
#include "UserMessages.h"
#include "XMLDocument.h"
#include "win32/ResString.h"

namespace {
const char kUninstallKey[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
}

void CSinReader::AddUninstall()
{
    CSmallString displayName, helpLink, publisher, urlAbout, urlUpdate, displayIcon;
    GetInstallItem("uninstall-display-name", displayName);
    GetInstallItem("uninstall-helplink", helpLink);
    GetInstallItem("uninstall-publisher", publisher);
    GetInstallItem("uninstall-url-about", urlAbout);
    GetInstallItem("uninstall-url-update", urlUpdate);
    GetInstallItem("uninstall-display-icon", displayIcon);
    TranslatePath(displayIcon);
    if (displayName.IsEmpty())
        return;

    const CSmallString key = CSmallString(kUninstallKey) + displayName;
    AddRegKey(key, "DisplayName", displayName);
    AddRegKey(key, "HelpLink", helpLink);
    AddRegKey(key, "Publisher", publisher);
    AddRegKey(key, "URLInfoAbout", urlAbout);
    AddRegKey(key, "URLUpdateInfo", urlUpdate);
    AddRegKey(key, "DisplayIcon", displayIcon);
    AddRegKey(key, "NoModify", 1u);
    AddRegKey(key, "NoRepair", 1u);
    AddRegKey(key, "UninstallString", "\"%APP%uninstall.exe\"");

    CSmallString exe("%APP%uninstall.exe");
    TranslatePath(exe);
    WriteArrayToFile(exe, m_arrUninstaller);

    CSmallString log, logPath("%APP%uninstall.dat");
    GetInstallItem("uninstaller", log);
    TranslatePath(logPath);
    WriteStringToFile(logPath, log, (unsigned)log.GetLength());
}

void CSinReader::UninstallFromScript(const char* logPath)
{
    m_strSection = "uninstall";
    CXMLDocument* log = CXMLDocument::Load(logPath);
    if (!log)
        return;
    if (m_pDocument)
        m_pDocument->Release();
    m_pDocument = log;

    CSmallString appName, question;
    GetInstallItem("app-name", appName);
    question.Format(CResString(13), appName.GetText());
    if (KxMessageBox(nullptr, question, appName, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;

    CSmallString folder(logPath);
    RemoveFilename(logPath, folder.GetBuffer(folder.GetLength()));
    folder.ReleaseBuffer(-1);
    Uninstall(folder, nullptr);

    CSmallString url;
    if (GetInstallItem("uninstall-url", url) && !url.IsEmpty())
        GotoURL(url, SW_SHOWNORMAL);
}

void CSinReader::Uninstall(const CSmallString& folder, CSinProgressABC* progress)
{
    CSmallString app = folder;
    CheckPath(app);
    SetEnvironmentVariableA("APP", app);
    if (CXMLNode* section = FindSection())
        ExecuteCommands(section, progress);
}
