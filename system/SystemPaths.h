// Folder names the system knows: environment references and Program Files.
#pragma once

#include "SmallString.h"

// %NAME% references expanded, however long the result.
CSmallString ExpandEnvironment(const char* text);

// The Program Files folder, ending in a backslash.
CSmallString GetProgramFilesDirectory();
