// Folder names the system knows: environment references and Program Files.
#pragma once

#include "SmallString.h"

// %NAME% references expanded, however long the result.
CSmallString ExpandEnvironment(const char* text);

// Tells running programs (Explorer first) that the environment changed,
// so that a new command prompt sees a new PATH; waits 5 s at most for a
// window that doesn't answer.
void BroadcastEnvironmentChange();

// The Program Files folder of the application's architecture (the 64-bit
// one for a 64-bit application), ending in a backslash.
CSmallString GetProgramFilesDirectory();
