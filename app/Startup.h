// Process start-up and the run modes that do not show the wizard.
#pragma once

#include "SmallString.h"

struct SCommandLine;

// Version string, crash handler, common controls. False when the
// crash handler could not be installed.
bool Initialise();

// Relaunches the program from a copy in a new private folder (see
// CopyFolder.h), running the log at logPath, so that the installed folder
// (this file with it) can be deleted, and waits for the copy's result: its
// exit code (3 when the copy ended without one, -1 when it could not be
// started). The copy removes this file once this process has ended.
int CommitSuicide(const char* logPath, const SCommandLine& line);

// Whether the program file at path carries anything after its image (a
// package, sound or damaged), judged by the image's end against the file's
// size. True also when the file can't be read: only a program known to
// carry nothing may act as the uninstaller.
bool CarriesPackage(const char* programPath);

// "<folder of the program>uninstall.dat".
CSmallString GetUninstallLogPath(const char* programPath);

