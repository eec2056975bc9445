// One argument of a command line that the started program reads back as
// it was: by the rules of CommandLineToArgvW, which ParseCommandLine
// follows too. Portable, so that the rules are tested on both builds.
#pragma once

#include "SmallString.h"

// The argument in quotes, whatever it holds (blanks, nothing at all): a
// quote inside is escaped, and the backslashes before a quote or before
// the closing quote are doubled; other backslashes stay as they are.
CSmallString QuoteArgument(const char* argument);
