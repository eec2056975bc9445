// Reading and deleting registry keys.
#pragma once

#include <windows.h>

#include "SmallString.h"

// A string value (REG_SZ or REG_EXPAND_SZ, not expanded) of any length, or
// empty when the key, the value or a string is missing. name null or ""
// is the default value.
CSmallString ReadRegistryText(HKEY root, const char* subkey, const char* name);

// Deletes subkey with all its subkeys, in the application's view.
bool DeleteRegistryKey(HKEY root, const char* subkey);

// Deletes subkey, which must have no subkeys, in the application's view.
LONG DeleteEmptyRegistryKey(HKEY root, const char* subkey);

// A value of HKCU ...\Explorer\Shell Folders ("Desktop", "Programs", ...)
// into buffer; "" when the value is missing or no string; the buffer is
// left untouched when the key can't be opened.
void ReadShellFolder(const char* valueName, char* buffer, DWORD size);
