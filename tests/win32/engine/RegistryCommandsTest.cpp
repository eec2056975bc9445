// reg-key and remove-reg-key against the real registry.
#include <gtest/gtest.h>

#include <memory>

#include "ShortcutFolders.h"
#include "EngineTestKit.h"
#include "WineTestEnv.h"

namespace {

std::unique_ptr<CSinReader> RunScript(const std::string& body, const std::string& app = "C:\\Dest\\")
{
    std::unique_ptr<CSinReader> reader(MakeReader("<install>" + body + "</install>"));
    EXPECT_TRUE(reader->Install(app.c_str(), nullptr));
    return reader;
}

} // namespace

TEST(RegKeyCommand, WritesStringValuesWithTheirTerminator)
{
    CTestRegKey key;
    RunScript("<reg-key section=\"" + key.FullName() + "\\Sub\" name=\"Path\" value=\"%APP%\\bin\"/>"
        "<reg-key section=\"" + key.FullName() + "\\Sub\" value=\"default value\"/>"
        "<reg-key section=\"" + key.FullName() + "\\Sub\" name=\"\" value=\"empty name too\"/>"
        "<reg-key name=\"NoSection\" value=\"x\"/>"
        "<reg-key section=\"HKEY_NOWHERE\\" + key.SubKey() + "\" name=\"x\" value=\"y\"/>");
    EXPECT_EQ("C:\\Dest\\bin", RegString(HKEY_CURRENT_USER, key.SubKey() + "\\Sub", "Path"));
    EXPECT_EQ("empty name too", RegString(HKEY_CURRENT_USER, key.SubKey() + "\\Sub", nullptr));

    HKEY h;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, (key.SubKey() + "\\Sub").c_str(), 0, KEY_READ, &h));
    char data[64];
    DWORD size = sizeof(data), type = 0xdeadbeef;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(h, "Path", nullptr, &type, reinterpret_cast<BYTE*>(data), &size));
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_EQ(strlen("C:\\Dest\\bin") + 1, size) << "the stored data must include its NUL";
    DWORD values = 0xdeadbeef;
    RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    EXPECT_EQ(2u, values); // Path and the default value
    RegCloseKey(h);
    // An unknown root writes nowhere (in particular not under the subkey of some other root).
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key.SubKey() + "\\HKEY_NOWHERE"));
}

TEST(RemoveRegKeyCommand, ValuesKeysAndSharedKeys)
{
    CTestRegKey key;
    RunScript("<reg-key section=\"" + key.FullName() + "\\A\\Deep\" name=\"v\" value=\"1\"/>"
        "<reg-key section=\"" + key.FullName() + "\\A\" name=\"keep\" value=\"2\"/>"
        "<reg-key section=\"" + key.FullName() + "\\A\" name=\"drop\" value=\"3\"/>");
    RunScript("<remove-reg-key section=\"" + key.FullName() + "\\A\" name=\"drop\"/>");
    EXPECT_EQ("<missing>", RegString(HKEY_CURRENT_USER, key.SubKey() + "\\A", "drop"));
    EXPECT_EQ("2", RegString(HKEY_CURRENT_USER, key.SubKey() + "\\A", "keep"));

    RunScript("<remove-reg-key section=\"" + key.FullName() + "\\A\"/>"); // the key and its subkeys
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key.SubKey() + "\\A"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key.SubKey()));

    // Keys that hold everyone's data are never deleted whole.
    for (const char* shared : {"HKEY_CURRENT_USER", "HKEY_CURRENT_USER\\", "HKEY_CURRENT_USER\\Software",
                               "HKEY_CURRENT_USER\\Software\\Microsoft\\", "HKEY_LOCAL_MACHINE\\software\\classes",
                               "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"}) {
        RunScript(std::string("<remove-reg-key section=\"") + shared + "\"/>");
    }
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Microsoft"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key.SubKey()));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Classes"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
}

TEST(RegistryHelpers, ShellFolders)
{
    char folder[260] = "sentinel";
    GetSpecialFolderPath("Desktop", folder, sizeof(folder));
    EXPECT_NE(0, strcmp(folder, "sentinel"));
    EXPECT_EQ(':', folder[1]) << folder;
    strcpy(folder, "sentinel");
    GetSpecialFolderPath("No Such Folder Name", folder, sizeof(folder));
    EXPECT_STREQ("", folder);
}
