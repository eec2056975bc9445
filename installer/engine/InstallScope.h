// The run's scope (EScope, ScriptVocabulary.h): taken from the script or,
// uninstalling, from the log the installation wrote, before the first
// shortcut is made or removed.
#pragma once

#include <windows.h>

#include "ScriptVocabulary.h"
#include "SmallString.h"

void SetInstallScope(EScope scope);
EScope GetInstallScope();

// Where the Add/Remove entry and the file associations lie: under
// HKEY_CURRENT_USER for a per-user installation, else under
// HKEY_LOCAL_MACHINE (the associations: HKEY_CLASSES_ROOT, as ever).
HKEY GetEntryRoot();
const char* GetEntryRootName();
bool IsPerUser();

// What %PROGRAM_FILES% names, ending in a backslash: the user's own
// programs folder (%LOCALAPPDATA%\Programs\) for a per-user installation,
// else the Program Files folder.
CSmallString GetScopeProgramFiles();

// With scope choose, the scope a run proposes: the switch's (/ALLUSERS,
// /CURRENTUSER), else an earlier installation's (where its Add/Remove
// entry lies), else every user's for an administrator. why says which.
class CSinReader;
EScope ProposeScope(CSinReader& reader, bool allUsers, bool currentUser, const char*& why);

// Whether the script lets the user choose (scope choose); the run's scope
// is then the one chosen.
void SetScopeChoosable(bool choosable);
bool IsScopeChoosable();

// With scope choose: the application installed in the other scope than the
// chosen one (an earlier installation for every user, chosen now just for
// the user, or the other way round). False when there is none; else its
// folder and the unattended command of its uninstaller.
bool FindOtherScopeInstallation(CSinReader& reader, CSmallString& folder, CSmallString& uninstaller);
// Whether this run may start that uninstaller: an elevated run never starts
// one a user's own registry names (a per-user installation's), which would
// run a program of the user's choosing with administrator rights.
bool MayRunOtherScopeUninstaller();
// Runs that uninstaller (the system asks for rights where it needs them)
// and waits for it: an installation ends with one Add/Remove entry. False
// with its exit code (-1: it did not start) unless it succeeded.
bool RemoveOtherScopeInstallation(const CSmallString& uninstaller, int& exitCode);

// Parses text and takes it; otherwise the reason is logged and told
// (unless unattended), and false says the run stops.
bool TakeInstallScope(const CSmallString& text);
