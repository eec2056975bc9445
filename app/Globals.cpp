#include "AppGlobals.h"

#include "SinReader.h"

CSmallString g_strWindowsVersion;
HINSTANCE g_hInstance = nullptr;
CSinReader g_reader;
CSmallString g_strDestination;
HBITMAP g_hInstallerLogo = nullptr;
SIZE g_szInstallerLogoSize = {0, 0};
int g_nExitCode = 0;
bool g_bInstalling = false;
bool g_bCancelRequested = false;
