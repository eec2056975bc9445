// The run-wide state of the installer: set up by start-up, read by the
// wizard pages and the crash report.
#pragma once

#include <windows.h>

#include "SmallString.h"

class CSinReader;

// "Windows version major.minor (build) service-pack", for crash reports.
extern CSmallString g_strWindowsVersion;
extern HINSTANCE g_hInstance;
extern CSinReader g_reader;
// The folder to install into; the Destination page edits it.
extern CSmallString g_strDestination;
// What the program returns: 0 done, 1 damaged package, 2 cancelled,
// 3 failed, 4 bad command line.
extern int g_nExitCode;
// The installation is running; the user has asked it to stop.
extern bool g_bInstalling;
extern bool g_bCancelRequested;
// The package's logo, or null; its size is 0 x 0 without one.
extern HBITMAP g_hInstallerLogo;
extern SIZE g_szInstallerLogoSize;
