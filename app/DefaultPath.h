// Default destination text of the script.
#pragma once

#include "SmallString.h"

// Replaces every "%PROGRAM_FILES%" by the Program Files folder (with its
// trailing backslash).
void ReplaceProgramFiles(CSmallString& path);
