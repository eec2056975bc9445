// Text for the terms page's multi-line edit control.
#pragma once

#include "ScriptWords.h"
#include "SmallString.h"

// Measured under Wine (Xvfb), time until the page shows: 256 KB of terms took
// 0.6 s in lines of 256 bytes, 1 s in lines of 1 KB and 3 to 4 s in lines of
// 4 KB (the control's word wrap costs more than linearly in a line's length);
// in short lines each further MB added about 1.7 s, and a 5 MB line crashed
// the control. With these limits a 5 MB line shows in about 0.7 s.
enum
{
    kTermsMaxBytes = kTermsShownBytes, // shown before the note
    kTermsMaxLine = 2048,        // bytes between two line breaks
};

// The terms as the page shows them: every line end as "\r\n" (edit controls
// break lines only there); no line longer than maxLine bytes (at least 4, the
// longest UTF-8 character), broken after the last blank in the line's second
// half or else between two characters; and at most maxBytes of it, cut after
// the last whole line that fits. When anything had to be left out (a NUL ends
// the text too), a blank line and note follow.
CSmallString PrepareTermsText(const char* text, unsigned length, const char* note, unsigned maxBytes = kTermsMaxBytes,
                              unsigned maxLine = kTermsMaxLine);
