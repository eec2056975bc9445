// Where the files an installation replaced are kept until its uninstall
// puts them back: a folder "kxsetup-<16 random hex digits>" that no one
// else can have made. Elevated, it is the folder of the administrators'
// copy of the uninstall log under %ProgramData% (LogCopy.h); otherwise one
// of the user's own under the user's local application data. A kept file
// is named by a number there ("...\kxsetup-0123456789abcdef\1").
#pragma once

#include "SmallString.h"

// A new private folder for this user's kept files, ending with a
// backslash; empty when none could be made.
CSmallString CreateUserKeptFolder();

// Whether path has a kept file's form: a number in a "kxsetup-" folder
// right inside %ProgramData% (forAdministrators) or inside this user's
// local application data. What an uninstall log says it kept is believed
// only of such a path.
bool IsKeptFilePath(const CSmallString& path, bool forAdministrators);

// The folder of a kept file, once nothing is left in it.
void RemoveKeptFolderIfEmpty(const CSmallString& path);
