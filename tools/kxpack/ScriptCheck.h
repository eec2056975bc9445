// Checks an install script against the package it goes into: XML that is
// not well formed or not UTF-8, unknown or misspelt element and attribute
// names, %NAME% references the installer would not replace, registry keys
// and shortcut folders it can't write to, item ids outside the item table,
// file and shortcut names that are not plain file names, a missing install
// section or terms, an uninstaller that would not be registered or would
// leave things behind, programs started from the application's folder
// that the script never puts there, an architecture that is none, 64-bit
// programs installed as a 32-bit application, and the 32-bit view of 64-bit
// Windows written into the script's texts.
#pragma once

#include <vector>

#include "PackItem.h"
#include "ScriptDefines.h"
#include "ScriptPlaces.h"
#include "ScriptReport.h"
#include "Spelling.h"

// The encoding and the XML of a script or an uninstall script (file names
// it in messages; null: the script). False when the XML's structure is
// broken: what the reader makes of it then is no ground for further checks.
bool CheckScriptText(const CSmallString& text, const char* file, CScriptReport& report);

// The largest uninstall log read for its check (and its variables).
constexpr unsigned long long kLargestUninstallLog = 64ull << 20;

// A script as its publisher wrote it (its variables replaced) and as it goes
// into the package, once src= and text= have become items.
struct SCheckedScript
{
    CSmallString strWritten;
    CSmallString strPacked;
    // For each element of the packed install section, the index of the
    // written one it came from; empty when nothing was rewritten.
    std::vector<unsigned> arrOrigins;
    // The uninstall log whose variables were replaced, if one was.
    SReplacedLog log;
};

// places: of strWritten. Warnings don't stop a build; errors do.
void CheckScript(const SCheckedScript& script, const CScriptPlaces& places, const CPackItemList& items,
                 CScriptReport& report);
