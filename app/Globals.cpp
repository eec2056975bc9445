#include "AppGlobals.h"

CSmallString g_strWindowsVersion;
HINSTANCE g_hInstance = nullptr;
