// Line breaks for multi-line edit controls.
#pragma once

#include "SmallString.h"

// text with every lone "\n" (or "\r") turned into "\r\n"; edit controls
// break lines only there.
CSmallString WithWindowsLineBreaks(const CSmallString& text);
