// The small system routines the script engine is built on.
#pragma once

#include <windows.h>

#include "Containers.h"
#include "SmallString.h"

// Registry root named at the start of key ("HKEY_LOCAL_MACHINE\..." or
// "HKEY_CURRENT_USER\..."): key is advanced past it and its backslash.
// Null (key untouched) for any other text.
HKEY GetKeyFromSection(const char*& key);

// A string value (REG_SZ or REG_EXPAND_SZ, not expanded) of any length, or
// empty when the key, the value or a string is missing. name null or ""
// is the default value.
CSmallString ReadRegistryText(HKEY root, const char* subkey, const char* name);

// Deletes subkey with all its subkeys.
bool DeleteRegistryKey(HKEY root, const char* subkey);

// A value of HKCU ...\Explorer\Shell Folders ("Desktop", "Programs", ...);
// empty for a name not in KX_SHORTCUT_FOLDERS; the buffer is left untouched
// when the key can't be opened.
void GetSpecialFolderPath(const char* folderName, char* buffer, DWORD size);

bool RegisterCOMDLL(const char* dll);
bool UnregisterCOMDLL(const char* dll);


// Copies source cut after its last '\' or '/'; no separator gives "".
void RemoveFilename(const char* source, char* destination);

// The Program Files folder, ending in a backslash.
CSmallString GetProgramFilesDirectory();

// Appends a backslash unless the path is empty or already ends with one.
void CheckPath(CSmallString& path);

// %NAME% references expanded, however long the result.
CSmallString ExpandEnvironment(const char* text);
