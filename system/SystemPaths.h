// Folder names the system knows: environment references and Program Files.
#pragma once

#include "SmallString.h"

// %NAME% references expanded, however long the result.
CSmallString ExpandEnvironment(const char* text);

// The Program Files folder of the application's architecture (the 64-bit
// one for a 64-bit application), ending in a backslash.
CSmallString GetProgramFilesDirectory();
