// Reading, writing and deleting registry keys and values, and the names
// of the predefined keys the program writes under.
#pragma once

#include <windows.h>

#include "Containers.h"
#include "SmallString.h"

// The predefined key and the subkey of "HKEY_LOCAL_MACHINE\...",
// "HKEY_CURRENT_USER\..." or "HKEY_CLASSES_ROOT\..." (the root's name in
// any case, alone or before a backslash); null for anything else.
HKEY SplitRegistryKey(const char* key, CSmallString& subkey);
// The predefined key a root's name alone names; null for anything else.
HKEY GetRegistryRoot(const char* rootName);
// The full name of HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or
// HKEY_CLASSES_ROOT; null for any other key.
const char* GetRegistryRootName(HKEY root);

// Whether subkey can be opened for reading, in the application's view.
bool RegistryKeyExists(HKEY root, const char* subkey);

// A value's type and data as stored, in the application's view; false
// when the key or the value can't be read. name null is the default value.
bool ReadRegistryValue(HKEY root, const char* subkey, const char* name, DWORD& type,
                       Container::CArray<unsigned char>& data);
// The names of an open key's subkeys, as far as they can be read.
Container::CArray<CSmallString> ListRegistrySubkeys(HKEY key);
// How many subkeys and values an open key holds (either may be null).
LONG CountRegistryKeyContents(HKEY key, DWORD* subkeys, DWORD* values);

// Sets a value of an existing key in the application's view: the result
// of opening the key, else of setting the value.
LONG WriteRegistryValue(HKEY root, const char* subkey, const char* name, DWORD type,
                        const Container::CArray<unsigned char>& data);
// Deletes a value of subkey in the application's view: the result of
// opening the key, else of deleting the value.
LONG DeleteRegistryValue(HKEY root, const char* subkey, const char* name);

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
