// Shared helpers of the Windows tests: a throwaway folder and registry key
// per test, removed afterwards.
#pragma once

#include <windows.h>

#include <string>

class CTestFolder
{
public:
    CTestFolder();
    ~CTestFolder();
    // With a trailing backslash.
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + name; }

private:
    std::string m_path;
};

// A key under HKEY_CURRENT_USER\Software\kxsetup-tests\<unique>.
class CTestRegKey
{
public:
    CTestRegKey();
    ~CTestRegKey();
    // "HKEY_CURRENT_USER\Software\kxsetup-tests\<unique>"
    const std::string& FullName() const { return m_full; }
    const std::string& SubKey() const { return m_sub; }

private:
    std::string m_sub, m_full;
};

// Deletes a folder tree (test clean-up only).
void RemoveTestTree(const std::string& path);

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& data);

bool KeyExists(HKEY root, const std::string& key);

// The string value or "<missing>".
std::string RegString(HKEY root, const std::string& key, const char* value);
