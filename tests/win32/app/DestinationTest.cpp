// Where to install: the proposal and the occupied-folder test.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "AppTestKit.h"
#include "Destination.h"
#include "Folders.h"
#include "SystemPaths.h"
#include "WineTestEnv.h"
#include "WizardState.h"

TEST(IsFolderOccupied, AnswersTrueOnlyForAFolderWithEntries)
{
    CTestFolder folder;
    CreateDirectoryA((folder / "empty").c_str(), nullptr);
    CreateDirectoryA((folder / "files").c_str(), nullptr);
    WriteWholeFile(folder / "files\\a.txt", "a");
    WriteWholeFile(folder / "files\\b.dat", "");
    CreateDirectoryA((folder / "nested").c_str(), nullptr);
    CreateDirectoryA((folder / "nested\\inner").c_str(), nullptr);
    WriteWholeFile(folder / "plain.txt", "x");

    const struct
    {
        std::string path;
        bool expected;
    } cases[] = {
        {folder / "missing", false},   {folder / "missing\\deeper", false},
        {folder / "empty", false},     {folder / "empty\\", false},
        {folder / "files", true},      {folder / "files\\", true},
        {folder / "nested", true},     // a subfolder counts
        {folder / "plain.txt", false}, // a file is no folder
        {folder / "bad<name>", false}, {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, IsFolderOccupied(c.path.c_str())) << c.path;
}

// A value under HKLM\...\App Paths\<unique name>, removed afterwards.
class CAppPathsValue
{
public:
    CAppPathsValue()
    {
        char name[64];
        wsprintfA(name, "kx-app-test-%lu.exe", GetCurrentProcessId());
        m_name = name;
        m_key = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + m_name;
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_key.c_str());
    }
    ~CAppPathsValue() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_key.c_str()); }
    void Set(const char* value)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, m_key.c_str(), &key));
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), lstrlenA(value) + 1));
        RegCloseKey(key);
    }
    const std::string& Name() const { return m_name; }

private:
    std::string m_name, m_key;
};

TEST(DefaultPath, PrefersTheRegisteredFolderOverTheScriptDefault)
{
    CAppPathsValue registered;
    const std::string script = "<install><default-path-registry-name>" + registered.Name() +
                               "</default-path-registry-name>"
                               "<default-path>%PROGRAM_FILES%Thing</default-path></install>";
    LoadScriptIntoGlobalReader(script);
    const std::string fallback = std::string(GetProgramFilesDirectory()) + "Thing";

    // Not registered yet: the script's default, with Program Files filled in.
    EXPECT_STREQ("", GetDefaultPathFromReg(registered.Name().c_str()));
    EXPECT_STREQ(fallback.c_str(), ProposeDestination(g_reader));

    const struct
    {
        const char* value;
        const char* fromRegistry;
    } cases[] = {
        {"C:\\Apps\\Thing\\thing.exe", "C:\\Apps\\Thing\\"},
        {"D:\\thing.exe", "D:\\"},
        {"C:/Apps/thing.exe", "C:/Apps/"},
        {"thing.exe", ""}, // no folder at all: the script's default is used
        {"", ""},
    };
    for (const auto& c : cases) {
        registered.Set(c.value);
        EXPECT_STREQ(c.fromRegistry, GetDefaultPathFromReg(registered.Name().c_str())) << c.value;
        EXPECT_STREQ(*c.fromRegistry ? c.fromRegistry : fallback.c_str(), ProposeDestination(g_reader)) << c.value;
    }
}

TEST(DefaultPath, UsesTheScriptDefaultWithoutARegistryName)
{
    const struct
    {
        std::string script;
        std::string expected;
    } cases[] = {
        {"<install><default-path>C:\\Fixed\\Place</default-path></install>", "C:\\Fixed\\Place"},
        {"<install><default-path>%PROGRAM_FILES%A\\%PROGRAM_FILES%</default-path></install>",
         std::string(GetProgramFilesDirectory()) + "A\\" + std::string(GetProgramFilesDirectory())},
        {"<install><default-path-registry-name></default-path-registry-name>"
         "<default-path>X:\\Y</default-path></install>",
         "X:\\Y"},
        {"<install><default-path-registry-name>kx-never-registered.exe</default-path-registry-name>"
         "<default-path>X:\\Z</default-path></install>",
         "X:\\Z"},
        {"<install><app-name>No default</app-name></install>", ""},
    };
    for (const auto& c : cases) {
        LoadScriptIntoGlobalReader(c.script);
        EXPECT_STREQ(c.expected.c_str(), ProposeDestination(g_reader)) << c.script;
    }
}
