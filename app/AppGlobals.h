// The run-wide state of the installer: set up by start-up; the wizard's
// share of it lives with the pages.
#pragma once

#include <windows.h>

#include "SmallString.h"
#include "WizardState.h"

// "Windows version major.minor (build) service-pack", for crash reports.
extern CSmallString g_strWindowsVersion;
extern HINSTANCE g_hInstance;
