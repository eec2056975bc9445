// The terms as publishers save them: UTF-16 with a byte order mark (either
// order), UTF-8 with or without one, or older files in the user's ANSI code
// page. The page works on UTF-8 and shows it through the wide API, so the
// text reads right whatever code page the process runs in.
#pragma once

#include <windows.h>

#include "SmallString.h"

CSmallString TermsAsUtf8(const char* data, unsigned length);

// Sets a control's text from UTF-8.
bool SetDlgItemTextUtf8(HWND dialog, int id, const CSmallString& text);
