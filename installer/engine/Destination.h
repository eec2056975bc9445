// Where to install: the folder proposed (an earlier installation's, else
// the script's default), the folders refused, and what counts as an
// earlier installation of this application.
#pragma once

#include "SmallString.h"

class CSinReader;

// The key of the application's entry under ...\Uninstall: the setting
// "uninstall-key", else "uninstall-display-name" (empty: none).
CSmallString GetUninstallKeyName(CSinReader& reader);

// A value of the application's Uninstall entry, or empty.
CSmallString GetUninstallValue(CSinReader& reader, const char* name);

// The folder of an application registered under App Paths\name (with its
// trailing backslash), or "" when there is none.
CSmallString GetDefaultPathFromReg(const char* name);

// An earlier installation's folder (its Uninstall entry's InstallLocation
// or uninstaller), else the App Paths folder of
// "default-path-registry-name", else "default-path" with %PROGRAM_FILES%
// filled in.
CSmallString ProposeDestination(CSinReader& reader);

// Empty when destination (as the user typed it, or /D= gave it) can be
// installed into, with normalised set to its one spelling: the folder the
// installation then works with. Otherwise the message that tells the user
// why not: not a full path, too long for the files to fit, characters that
// a command line or the system would take apart, a drive, the Windows
// folder or a folder shared by programs or users (Program Files, the
// profile, Documents, ...).
CSmallString CheckDestination(CSinReader& reader, const CSmallString& destination, CSmallString& normalised);

// folder (as CheckDestination spells it) holds this application's earlier
// installation: its uninstaller, named by the application's own Uninstall
// entry.
bool IsEarlierInstall(CSinReader& reader, const CSmallString& folder);

// The name of another program installed in folder (by the system's list of
// installed programs, else by an uninstall log there), or empty when it
// holds none, or this application's earlier installation.
CSmallString OtherProgramInstalledIn(CSinReader& reader, const CSmallString& folder);

// The installed version is newer than the package's: its text, else empty.
CSmallString GetNewerInstalledVersion(CSinReader& reader);

// Deletes every other Uninstall entry (not keep; an empty keep spares none)
// that names folder's uninstaller: what an earlier version left under
// another display name, or what an uninstall log forgot.
void RemoveOrphanEntries(const CSmallString& folder, const CSmallString& keep);
