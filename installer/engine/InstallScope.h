// The run's scope (EScope, ScriptVocabulary.h): taken from the script or,
// uninstalling, from the log the installation wrote, before the first
// shortcut is made or removed.
#pragma once

#include "ScriptVocabulary.h"
#include "SmallString.h"

void SetInstallScope(EScope scope);
EScope GetInstallScope();

// Parses text and takes it; otherwise the reason is logged and told
// (unless unattended), and false says the run stops.
bool TakeInstallScope(const CSmallString& text);
