// Before an installation or uninstallation changes anything in its folder:
// the programs that hold files there are named, and closed when the user
// (or /CLOSEAPPLICATIONS in an unattended run) agrees.
#pragma once

#include <windows.h>

#include "RunningPrograms.h"
#include "SinReader.h"

enum class EInUse
{
    Free,      // nothing holds the folder's files (any more)
    Cancelled, // the user chose Cancel
    InUse,     // unattended: still held (not closed without /CLOSEAPPLICATIONS, or they stayed)
};

// /CLOSEAPPLICATIONS: an unattended run asks the programs to close.
void SetCloseApplications(bool close);

// Looks at what holds files in folder; while anything does, asks (Close
// them / Retry / Cancel, the dialog captioned caption over owner) or, in
// an unattended run, closes them or gives up. Everything found and done
// goes to the setup log.
EInUse SettleProgramsInUse(HWND owner, const char* caption, const char* folder, CRunningPrograms& programs);

// After a successful installation: offers to start again what was closed
// (nothing in an unattended run, which opens no window).
void OfferRestart(HWND owner, const char* caption, CRunningPrograms& programs);

// The uninstaller's check (CSinReader::SetFolderInUseCheck): the same
// question, captioned with the application's name. launcherId is the
// process that waits for the uninstaller's copy (it runs from the
// folder): never named nor closed.
void SetUninstallLauncher(unsigned long launcherId);
CSinReader::ERunResult CheckUninstallFolder(const char* folder);
