// What the installer left behind: registry values, shell links, files and
// running processes, read back for the checks.
#pragma once

#include <windows.h>

#include <string>

namespace SystemQueries {

// Key paths start with HKLM, HKCU, HKCR or their long names.
// Every value of the key as "name<TAB>TYPE<TAB>data" lines ("(default)" for
// the unnamed value); false when the key can't be opened.
bool ListRegistryValues(const std::string& key, std::string& out, std::string& error);
// One value's data; false when the key or the value is missing.
bool ReadRegistryValue(const std::string& key, const std::string& name, std::string& out, std::string& error);

// "target", "arguments", "workdir" and "show" lines of a .lnk file.
bool DescribeShellLink(const std::string& path, std::string& out, std::string& error);

// Value of HKCU ...\Explorer\Shell Folders (Desktop, Programs, ...).
bool GetShellFolder(const std::string& name, std::string& out);

std::string ExpandEnvironment(const std::string& text);

bool FileExists(const std::string& path);

// Number of running processes whose executable file is called name.
int CountProcesses(const std::string& name);

} // namespace SystemQueries
