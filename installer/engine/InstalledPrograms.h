// The system's list of installed programs (the Uninstall entries), machine-
// wide in both registry views and the user's: who is installed where.
#pragma once

#include "Containers.h"
#include "SmallString.h"

#include <windows.h>

struct SInstalledProgram
{
    HKEY hRoot = nullptr;     // HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER
    unsigned long ulView = 0; // KEY_WOW64_32KEY or KEY_WOW64_64KEY; 0 in HKEY_CURRENT_USER
    CSmallString strKey;      // the entry's name under ...\Uninstall
    CSmallString strName;     // its DisplayName
    CSmallString strLocation; // its folder, resolved: InstallLocation, else the uninstaller's folder
};

// Every entry that names a folder.
Container::CArray<SInstalledProgram> GetInstalledPrograms();

// The resolved folder of every entry, but those at ours (resolved) and those
// that name a drive or a shared folder rather than a program's own.
Container::CArray<CSmallString> GetOtherProgramsFolders(const CSmallString& ours);

// The entry whose folder is folder (any spelling); false when none is.
bool FindInstalledProgramAt(const CSmallString& folder, SInstalledProgram& program);
