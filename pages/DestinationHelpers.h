// The Destination page's proposal and its occupied-folder test.
#pragma once

#include "SmallString.h"

#include "Destination.h"

// ProposeDestination for the program's own package.
CSmallString GetDefaultPath();

// True only when folder exists and holds at least one entry besides "."
// and "..": the case where installing there needs the user's consent.
bool IsFolderOccupied(const char* folder);
