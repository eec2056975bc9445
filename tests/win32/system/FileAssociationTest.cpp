// File associations under HKEY_CLASSES_ROOT, with throwaway names.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "FileAssociation.h"
#include "WineTestEnv.h"

namespace {
class FileAssociationTest : public ::testing::Test
{
protected:
    FileAssociationTest()
    {
        static int s_counter = 0;
        char name[64];
        snprintf(name, sizeof(name), "kxtest%lu-%d", GetCurrentProcessId(), s_counter++);
        m_bare = name;
        m_ext = std::string(".") + name;
        m_progId = std::string("KxTest.") + name;
        Clean();
    }
    ~FileAssociationTest() override { Clean(); }

    void Clean()
    {
        SHDeleteKeyA(HKEY_CLASSES_ROOT, m_ext.c_str());
        SHDeleteKeyA(HKEY_CLASSES_ROOT, m_progId.c_str());
        SHDeleteKeyA(HKEY_CLASSES_ROOT, m_bare.c_str());
    }

    bool KeyExists(const std::string& key)
    {
        HKEY h;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
            return false;
        RegCloseKey(h);
        return true;
    }

    std::string Default(const std::string& key) { return RegString(HKEY_CLASSES_ROOT, key, nullptr); }

    // Bytes stored in the default value: REG_SZ data must include its NUL.
    DWORD DefaultSize(const std::string& key)
    {
        HKEY h;
        DWORD type = 0, size = 0;
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
            return 0;
        if (RegQueryValueExA(h, nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
            size = 0;
        RegCloseKey(h);
        return size;
    }

    std::string m_bare, m_ext, m_progId;
};
} // namespace

TEST_F(FileAssociationTest, WritesExtensionProgIdCommandAndIcon)
{
    EXPECT_TRUE(CreateFileAssociation(m_ext.c_str(), m_progId.c_str(), "Kx Test Document", "C:\\Prog\\app.exe",
                                      "C:\\Prog\\icons.dll", 3, "\"%1\""));
    const struct
    {
        std::string key, expected;
    } values[] = {
        {m_ext, m_progId},
        {m_progId, "Kx Test Document"},
        {m_progId + "\\shell\\open\\command", "\"C:\\Prog\\app.exe\" \"%1\""},
        {m_progId + "\\DefaultIcon", "C:\\Prog\\icons.dll,3"},
    };
    for (const auto& v : values) {
        EXPECT_EQ(v.expected, Default(v.key)) << v.key;
        EXPECT_EQ(v.expected.size() + 1, DefaultSize(v.key)) << v.key;
    }
}

TEST_F(FileAssociationTest, ReportsOnlyRealChanges)
{
    ASSERT_TRUE(CreateFileAssociation(m_ext.c_str(), m_progId.c_str(), "Doc", "C:\\a.exe", "C:\\a.exe", 0, "\"%1\""));
    EXPECT_FALSE(CreateFileAssociation(m_ext.c_str(), m_progId.c_str(), "Doc", "C:\\a.exe", "C:\\a.exe", 0, "\"%1\""));

    // Each part on its own counts as a change.
    struct
    {
        const char *description, *exe, *icon;
        unsigned iconIndex;
        const char* commandLine;
        const char* what;
    } changes[] = {
        {"Doc", "C:\\a.exe", "C:\\a.exe", 1, "\"%1\"", "icon index"},
        {"Doc", "C:\\a.exe", "C:\\a.exe", 1, "/open \"%1\"", "command line"},
        {"Doc", "C:\\b.exe", "C:\\a.exe", 1, "/open \"%1\"", "program"},
        {"DOC", "C:\\b.exe", "C:\\a.exe", 1, "/open \"%1\"", "description case"},
    };
    for (const auto& c : changes) {
        EXPECT_TRUE(CreateFileAssociation(m_ext.c_str(), m_progId.c_str(), c.description, c.exe, c.icon, c.iconIndex,
                                          c.commandLine))
            << c.what;
        EXPECT_FALSE(CreateFileAssociation(m_ext.c_str(), m_progId.c_str(), c.description, c.exe, c.icon, c.iconIndex,
                                           c.commandLine))
            << c.what << " again";
    }
    EXPECT_EQ("\"C:\\b.exe\" /open \"%1\"", Default(m_progId + "\\shell\\open\\command"));
    EXPECT_EQ("DOC", Default(m_progId));

    // Another program claiming the extension.
    EXPECT_TRUE(CreateFileAssociation(m_ext.c_str(), (m_progId + "2").c_str(), nullptr, nullptr, nullptr, 0, nullptr));
    EXPECT_EQ(m_progId + "2", Default(m_ext));
    SHDeleteKeyA(HKEY_CLASSES_ROOT, (m_progId + "2").c_str());
}

TEST_F(FileAssociationTest, RefusesAnExtensionWithoutItsDot)
{
    const std::string progId = m_progId;
    const char* refused[] = {m_bare.c_str(), "", ".", nullptr};
    for (const char* ext : refused) {
        EXPECT_FALSE(CreateFileAssociation(ext, progId.c_str(), "Doc", "C:\\a.exe", "C:\\a.exe", 0, ""))
            << (ext ? ext : "(null)");
    }
    EXPECT_FALSE(KeyExists(m_bare));
    EXPECT_FALSE(KeyExists(m_progId));
    EXPECT_FALSE(CreateFileAssociation(m_ext.c_str(), "", "Doc", "C:\\a.exe", nullptr, 0, ""));
    EXPECT_FALSE(CreateFileAssociation(m_ext.c_str(), nullptr, "Doc", "C:\\a.exe", nullptr, 0, ""));
    EXPECT_FALSE(KeyExists(m_ext));
}

TEST_F(FileAssociationTest, LeavesOutWhatIsNotGiven)
{
    ASSERT_TRUE(CreateFileAssociation(m_ext.c_str(), m_progId.c_str(), "Doc", "C:\\a.exe", "", 5, ""));
    EXPECT_FALSE(KeyExists(m_progId + "\\DefaultIcon"));
    // No command line: the quoted program alone.
    EXPECT_EQ("\"C:\\a.exe\"", Default(m_progId + "\\shell\\open\\command"));

    const std::string other = m_progId + "-noexe";
    EXPECT_TRUE(CreateFileAssociation(m_ext.c_str(), other.c_str(), "Doc", nullptr, nullptr, 0, "\"%1\""));
    EXPECT_FALSE(KeyExists(other + "\\shell\\open\\command"));
    EXPECT_FALSE(KeyExists(other + "\\DefaultIcon"));
    EXPECT_EQ("Doc", Default(other));
    SHDeleteKeyA(HKEY_CLASSES_ROOT, other.c_str());
}
