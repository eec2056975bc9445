// Shell links (.lnk files).
#pragma once

#include <windows.h>

// What a link holds besides its target; null or empty: none (the
// working folder: the target's own).
struct SShortcut
{
    const char* pszTarget = nullptr;
    const char* pszArguments = nullptr;
    const char* pszWorkingFolder = nullptr;
    const char* pszIconFile = nullptr;
    int nIconIndex = 0;
    const char* pszDescription = nullptr;
    int nShowCommand = SW_SHOWNORMAL;
};

// Creates or replaces the link at linkPath.
bool CreateShortcut(const char* linkPath, const SShortcut& details);
// The same with a target, a working folder and an SW_ value alone.
bool CreateShortcut(const char* linkPath, const char* target, const char* workingFolder, int showCommand);

#include "SmallString.h"

// The path a link points at, as it was saved (not searched for); empty
// when the file can't be read as a link or names no path.
CSmallString GetShortcutTarget(const char* linkPath);
