// The run-wide state the wizard pages share with start-up: the package
// reader, the destination, the logo, and how the run is to end.
#pragma once

#include <windows.h>

#include "SmallString.h"
#include "win32/GdiHandles.h"

class CRunLock;
class CSinReader;
struct SCommandLine;

extern CSinReader g_reader;
// Set by start-up: the command line, and the run's lock with what it was
// taken for, which a restart of the installer elevated hands on.
extern const SCommandLine* g_pCommandLine;
extern CRunLock* g_pRunLock;
extern CSmallString g_strRunLockName;
// The folder to install into: proposed when the Destination page opens,
// the user's choice (checked and normalised) once it is left.
extern CSmallString g_strDestination;
// The package's logo, or null; its size is 0 x 0 without one.
extern CGdiObject<HBITMAP> g_hInstallerLogo;
extern SIZE g_szInstallerLogoSize;
// What the program returns: 0 done, 1 damaged package, 2 cancelled,
// 3 failed, 4 bad command line.
extern int g_nExitCode;
// The installation is running; the user has asked it to stop; the wizard
// is being closed without asking (after an unexpected error).
extern bool g_bInstalling;
extern bool g_bCancelRequested;
extern bool g_bClosing;
