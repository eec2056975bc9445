// Process start-up and the run modes that do not show the wizard.
#pragma once

#include "SmallString.h"

// Version string, crash handler, common controls, COM. False when the
// crash handler could not be installed.
bool Initialise();

// Relaunches the program from a copy in the temporary folder with the
// given arguments, so that the installed folder (this file with it) can be
// deleted. Always 0.
int CommitSuicide(const char* arguments);

// "<folder of the program>uninstall.dat".
CSmallString GetUninstallLogPath(const char* programPath);
