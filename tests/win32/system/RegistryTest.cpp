// The registry helpers the engine reads and writes through: the roots'
// names, and values, subkeys and counts of a throwaway key.
#include <gtest/gtest.h>

#include "Registry.h"
#include "WineTestEnv.h"
#include "win32/Handles.h"

TEST(Registry, RootNames)
{
    const struct
    {
        const char* key;
        HKEY root;
        const char* subkey;
    } keys[] = {{"HKEY_LOCAL_MACHINE\\Software\\A", HKEY_LOCAL_MACHINE, "Software\\A"},
                {"hkey_current_user\\Software", HKEY_CURRENT_USER, "Software"},
                {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT, ""},
                {"HKEY_CURRENT_USERS\\Software", nullptr, ""},
                {"HKEY_USERS\\.DEFAULT", nullptr, ""},
                {"HKCU\\Software", nullptr, ""},
                {"", nullptr, ""},
                {nullptr, nullptr, ""}};
    for (const auto& k : keys) {
        CSmallString subkey("left over");
        EXPECT_EQ(k.root, SplitRegistryKey(k.key, subkey)) << (k.key ? k.key : "(null)");
        EXPECT_STREQ(k.subkey, subkey) << (k.key ? k.key : "(null)");
    }
    EXPECT_EQ(HKEY_CURRENT_USER, GetRegistryRoot("HKEY_CURRENT_USER"));
    EXPECT_EQ(nullptr, GetRegistryRoot("HKEY_CURRENT_USER\\Software"));
    EXPECT_EQ(nullptr, GetRegistryRoot(nullptr));
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT}) {
        CSmallString subkey;
        EXPECT_EQ(root, SplitRegistryKey(GetRegistryRootName(root), subkey));
    }
    EXPECT_EQ(nullptr, GetRegistryRootName(HKEY_USERS));
}

TEST(Registry, ValuesSubkeysAndCounts)
{
    CTestRegKey test;
    const char* sub = test.SubKey().c_str();
    Container::CArray<unsigned char> data, read;
    data.Append(reinterpret_cast<const unsigned char*>("\x01\x02\x03"), 3);
    DWORD type = 0;
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, (test.SubKey() + "\\a").c_str()));
    EXPECT_NE(ERROR_SUCCESS, WriteRegistryValue(HKEY_CURRENT_USER, (test.SubKey() + "\\a").c_str(), "v", REG_BINARY,
                                                data)); // never creates the key
    {
        CRegKey a, b;
        ASSERT_EQ(ERROR_SUCCESS, a.Create(HKEY_CURRENT_USER, (test.SubKey() + "\\a").c_str(), KEY_WRITE));
        ASSERT_EQ(ERROR_SUCCESS, b.Create(HKEY_CURRENT_USER, (test.SubKey() + "\\b").c_str(), KEY_WRITE));
    }
    EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, (test.SubKey() + "\\a").c_str()));
    EXPECT_EQ(ERROR_SUCCESS, WriteRegistryValue(HKEY_CURRENT_USER, sub, "v", REG_BINARY, data));
    EXPECT_EQ(ERROR_SUCCESS, WriteRegistryValue(HKEY_CURRENT_USER, sub, nullptr, REG_BINARY, data));
    ASSERT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, sub, "v", type, read));
    EXPECT_EQ((DWORD)REG_BINARY, type);
    ASSERT_EQ(3u, read.GetSize());
    EXPECT_EQ(3, read[2]);

    CRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, sub, KEY_READ));
    const Container::CArray<CSmallString> names = ListRegistrySubkeys(key);
    ASSERT_EQ(2u, names.GetSize());
    EXPECT_TRUE((names[0] == "a" && names[1] == "b") || (names[0] == "b" && names[1] == "a"));
    DWORD subkeys = 0, values = 0;
    EXPECT_EQ(ERROR_SUCCESS, CountRegistryKeyContents(key, &subkeys, &values));
    EXPECT_EQ(2u, subkeys);
    EXPECT_EQ(2u, values);
    key.Close();

    EXPECT_EQ(ERROR_SUCCESS, DeleteRegistryValue(HKEY_CURRENT_USER, sub, "v"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, DeleteRegistryValue(HKEY_CURRENT_USER, sub, "v"));
    EXPECT_FALSE(ReadRegistryValue(HKEY_CURRENT_USER, sub, "v", type, read));
    EXPECT_EQ(0u, read.GetSize());
    EXPECT_TRUE(ReadRegistryValue(HKEY_CURRENT_USER, sub, nullptr, type, read));
}
