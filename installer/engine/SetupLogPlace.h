// Where the setup log may lie. Never in the installation: the run replaces
// that folder's files and the uninstaller removes them, and a log left
// there keeps the folder. /LOG= is opened before an installation's
// destination is fixed (the proposal for /S, the wizard's choice), so it
// is judged again then.
#pragma once

#include "SmallString.h"

// Where the setup log goes unless /LOG= says, without ".log": "<app
// name>-<kind>" in the user's temporary folder ("kxsetup" without a name).
CSmallString DefaultSetupLogStem(const char* appName, const char* kind);

// Whether path lies in folder, both as the system names them; false when
// either can't be told.
bool LiesInFolder(const char* path, const char* folder);

// The installation's destination is fixed: a setup log open in it goes on
// in the default install log, with what it held so far, and its file is
// deleted. True when it lay there.
bool MoveSetupLogOutOf(const char* destination, const char* appName);
