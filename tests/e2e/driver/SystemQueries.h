// What the installer left behind: registry values, shell links, files and
// running processes, read back for the checks; and the drive and files that
// fault cases set up.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace SystemQueries {

// Key paths start with HKLM, HKCU, HKCR or their long names. The view is 0
// for the one this 32-bit program sees (on 64-bit Windows, HKLM\Software
// leads to HKLM\Software\Wow6432Node) or KEY_WOW64_64KEY for the 64-bit
// one, where Wow6432Node is a key like any other.
// Every value of the key as "name<TAB>TYPE<TAB>data" lines ("(default)" for
// the unnamed value); false when the key can't be opened.
bool ListRegistryValues(const std::string& key, REGSAM view, std::string& out, std::string& error);
// One value's data; false when the key or the value is missing.
bool ReadRegistryValue(const std::string& key, const std::string& name, REGSAM view, std::string& out,
                       std::string& error);
// The key and everything under it, in UTF-8: a "key" line for each key, then
// its values as "key<TAB>name<TAB>TYPE<TAB>data" lines, then its subkeys,
// names in case-blind order at each level. Strings are text with control
// characters escaped, DWORDs decimal, the rest hex. Symbolic links below the
// key show as their REG_LINK value and are not followed.
bool DumpRegistry(const std::string& key, REGSAM view, std::string& out, std::string& error);

// "target", "arguments", "workdir" and "show" lines of a .lnk file.
bool DescribeShellLink(const std::string& path, std::string& out, std::string& error);

// Value of HKCU ...\Explorer\Shell Folders (Desktop, Programs, ...).
bool GetShellFolder(const std::string& name, std::string& out);

std::string ExpandEnvironment(const std::string& text);
// The system's 8.3 spelling of an existing path, or "" when it has none.
std::string ShortPath(const std::string& path);

bool FileExists(const std::string& path);

// Bytes free for this user and bytes in all on the drive holding the path.
bool GetDiskFree(const std::string& path, unsigned long long& freeBytes, unsigned long long& totalBytes,
                 std::string& error);

// Has Wine's mount manager map the drive letter to a Unix folder, as
// winecfg does, so that the drive gets a volume like the others; without a
// folder the drive is removed. Wine only.
bool DefineWineDrive(char letter, const std::string& unixFolder, std::string& error);

struct SWriteResult
{
    unsigned long long uWritten;
    // WriteFile calls that reported success with fewer bytes than asked.
    unsigned uShortWrites;
    DWORD dwError; // ERROR_SUCCESS when all was written and the file closed
};

// Creates the file and writes size zero bytes to it, chunkSize at a time,
// stopping at the first failed or short write.
SWriteResult WriteZeros(const std::string& path, unsigned long long size, DWORD chunkSize);

// Number of running processes whose executable file is called name.
int CountProcesses(const std::string& name);

// This process holds a full administrator token.
bool IsElevated();

struct SChangeAttempt
{
    const char* pszWhat; // overwrite, rename, delete
    bool bDone;
    DWORD dwError;
};

// Tries what a program of the user's could do to another program's file:
// open it for writing, rename it, delete it (under its new name when the
// rename worked).
std::vector<SChangeAttempt> TryToChange(const std::string& path);

} // namespace SystemQueries
