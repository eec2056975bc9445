// The script's architecture setting taken for the run (see Architecture.h).
#pragma once

#include "SmallString.h"

// Parses text and makes it the application's architecture. An installation
// also needs a machine that runs the application. Otherwise the reason is
// logged and told (unless unattended), and false says the run stops.
bool TakeApplicationArchitecture(const CSmallString& text, const char* appName, bool installing);
