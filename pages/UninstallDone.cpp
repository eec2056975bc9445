#include "UninstallDone.h"

#include <windows.h>

#include "SmallString.h"
#include "UserMessages.h"
#include "resource.h"
#include "win32/ResString.h"

void TellUninstalled(const char* appName, const char* leftBehind)
{
    CSmallString text;
    text.Format(CResString(IDS_UNINSTALL_DONE), appName);
    text += leftBehind;
    KxMessageBox(nullptr, text, GetUninstallCaption(appName), MB_OK | MB_ICONINFORMATION);
}
