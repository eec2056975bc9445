// A PATH value's list of folders, changed one entry at a time: the rest of
// the text (other entries, their order, empty ones, quotes) stays as it is.
#pragma once

#include "SmallString.h"

// Whether list holds folder: compared without regard to case, to blanks
// and quotes around an entry and to a trailing backslash.
bool PathListHas(const CSmallString& list, const CSmallString& folder);
// list with folder added at its start or end.
CSmallString PathListAdd(const CSmallString& list, const CSmallString& folder, bool atStart);
// list without its first entry that is folder (removed says whether there
// was one), and the separator that went with it.
CSmallString PathListRemove(const CSmallString& list, const CSmallString& folder, bool& removed);

// The keys whose Path value is the machine's and the user's PATH.
extern const char kMachineEnvironmentKey[];
extern const char kUserEnvironmentKey[];

// <path>'s scope and position words (any case; absent: perUser's scope, the
// end). False with why for another word.
bool ParsePathPlace(const char* scope, const char* position, bool perUser, bool& machine, bool& atStart,
                    CSmallString& why);
