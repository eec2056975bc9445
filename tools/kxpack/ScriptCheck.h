// Checks an install script against the package it goes into: unknown or
// misspelt element names, item ids outside the item table, a missing
// install section, and an uninstaller that would not be registered.
#pragma once

#include "PackageWriter.h"
#include "ScriptReport.h"

void CheckScript(const CSmallString& script, const CItemArray& items, CScriptReport& report);

// Edits (insertions, deletions, substitutions) between two names, ignoring case.
unsigned EditDistance(const char* a, const char* b);
