// A copy of the uninstall log kept where only administrators can write
// ("%ProgramData%\kxsetup-<random>\uninstall.dat"), named by the
// installation's Uninstall entry (which only administrators can change
// either). An elevated uninstall follows the copy, not the uninstall.dat in
// a folder that users may be able to write: whatever was added there is
// refused.
#pragma once

#include "SmallString.h"

class CInstallJournal;

// The value of the Uninstall entry that names the copy.
extern const char kLogCopyValue[];

// Makes a new folder for a copy, announced to journal first; its file
// name, or empty when none could be made. folder receives the folder made
// (to be undone with the installation).
CSmallString CreateLogCopyFolder(CSmallString& folder, CInstallJournal& journal);

// Whether path has the copy's form: "uninstall.dat" in a "kxsetup-" folder
// right inside %ProgramData%.
bool IsLogCopyPath(const CSmallString& path);

// The copy named by the machine-wide Uninstall entry (either registry
// view) whose InstallLocation is folder, or empty. entryKey receives that
// entry's key below HKEY_LOCAL_MACHINE ("Software\...\Uninstall\Name"),
// wow64 the view it is in (KEY_WOW64_32KEY or KEY_WOW64_64KEY).
CSmallString FindLogCopy(const CSmallString& folder, CSmallString& entryKey, unsigned long& view);

// Removes the copy and its folder (only a path of the copy's form).
void RemoveLogCopy(const CSmallString& path);
