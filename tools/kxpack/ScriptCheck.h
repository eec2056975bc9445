// Checks an install script against the package it goes into: unknown or
// misspelt element names, item ids outside the item table, file and
// shortcut names that are not plain file names, a missing install section,
// an uninstaller that would not be registered, and terms too long to show.
#pragma once

#include "PackItem.h"
#include "ScriptReport.h"

void CheckScript(const CSmallString& script, const CPackItemList& items, CScriptReport& report);

// Edits (insertions, deletions, substitutions) between two names, ignoring case.
unsigned EditDistance(const char* a, const char* b);
