// The usage (/? or a bad command line) in a box of its own: its option
// column lines up only in a fixed-width font, which message boxes don't use.
#pragma once

#include "SmallString.h"

// Each "option<tab>description" line padded so that the descriptions start
// in one column; a line that begins with a tab continues the one above.
CSmallString AlignUsageColumns(const char* text);

// Shows the text aligned, with the information icon, or the warning one
// when it starts with what was wrong; the setup log gets it too.
void ShowUsageBox(const char* text, const char* caption, bool warning);
