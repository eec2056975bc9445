// Where a script's shortcut folder ("Desktop", "Programs", ...) lies.
#pragma once

#include <windows.h>

// The folder's path into buffer; "" for a name not in KX_SHORTCUT_FOLDERS
// (the packer's check knows the same names); the buffer is left untouched
// when the system's list of folders can't be read.
void GetSpecialFolderPath(const char* folderName, char* buffer, DWORD size);
