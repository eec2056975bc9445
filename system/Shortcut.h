// Shell links (.lnk files).
#pragma once

// Creates or replaces the link at linkPath pointing at target. A null
// workingFolder means the target's own folder; showCommand is an SW_ value.
bool CreateShortcut(const char* linkPath, const char* target, const char* workingFolder, int showCommand);

#include "SmallString.h"

// The path a link points at, as it was saved (not searched for); empty
// when the file can't be read as a link or names no path.
CSmallString GetShortcutTarget(const char* linkPath);
