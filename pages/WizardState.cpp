#include "WizardState.h"

#include "SinReader.h"

CSinReader g_reader;
CSmallString g_strDestination;
CGdiObject<HBITMAP> g_hInstallerLogo;
SIZE g_szInstallerLogoSize = {0, 0};
int g_nExitCode = 0;
bool g_bInstalling = false;
bool g_bCancelRequested = false;
bool g_bClosing = false;
const SCommandLine* g_pCommandLine = nullptr;
CRunLock* g_pRunLock = nullptr;
CSmallString g_strRunLockName;
