// The Destination page's proposal and its occupied-folder test.
#pragma once

#include "SmallString.h"

// The folder of an application registered under App Paths\name (with its
// trailing backslash), or "" when there is none.
CSmallString GetDefaultPathFromReg(const char* name);

// The registered folder of "default-path-registry-name", else the script's
// "default-path" with %PROGRAM_FILES% filled in.
CSmallString GetDefaultPath();

// True only when folder exists and holds at least one entry besides "."
// and "..": the case where installing there needs the user's consent.
bool IsFolderEmpty(const char* folder);
