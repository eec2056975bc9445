// Private folders: new, unguessable, and writable only by whom they are for.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "Security.h"
#include "WineTestEnv.h"

TEST(PrivateFolder, IsNewUnguessableAndForItsOwnersOnly)
{
    CTestFolder parent;
    const CSmallString first = CreatePrivateFolder(parent.Path().c_str(), "kx-", FolderForThisUser);
    const CSmallString second = CreatePrivateFolder(parent.Path().c_str(), "kx-", FolderForThisUser);
    ASSERT_FALSE(first.IsEmpty());
    ASSERT_FALSE(second.IsEmpty());
    EXPECT_STRNE(first, second);
    // "<parent>kx-" and 16 hex digits, with the separator.
    EXPECT_EQ(parent.Path().size() + 3 + 16 + 1, (size_t)first.GetLength()) << first.GetText();
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(first));

    // Wine keeps no security descriptors on files: what is asked for is
    // checked here, as the system is given it.
    const struct
    {
        EFolderAccess access;
        bool elevated;
        const char* expected;
    } cases[] = {
        {FolderForThisUser, false, "D:P(A;OICI;FA;;;S-1-5-21-7)"},
        {FolderForThisUser, true, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;S-1-5-21-7)"},
        {FolderForAdministrators, false, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)"},
        {FolderForAdministrators, true, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)"},
    };
    for (const auto& c : cases) {
        const CSmallString sddl = DescribeFolderAccess(c.access, "S-1-5-21-7", c.elevated);
        EXPECT_STREQ(c.expected, sddl);
        PSECURITY_DESCRIPTOR parsed = nullptr;
        EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &parsed, nullptr));
        LocalFree(parsed);
    }

    // An existing name, folder or file, is never taken over.
    EXPECT_FALSE(CreateFolderWithAccess(first, FolderForThisUser));
    WriteWholeFile(parent / "taken", "x");
    EXPECT_FALSE(CreateFolderWithAccess((parent / "taken").c_str(), FolderForThisUser));
    EXPECT_EQ("x", ReadWholeFile(parent / "taken"));
}

TEST(PrivateFolder, BaseIsOneTheUserDoesNotControlWhenElevated)
{
    const CSmallString base = GetPrivateFolderBase();
    ASSERT_FALSE(base.IsEmpty());
    EXPECT_EQ('\\', base.GetAt(base.GetLength() - 1));
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    if (IsProcessElevated())
        EXPECT_STREQ((std::string(windows) + "\\Temp\\").c_str(), base);
    else
        EXPECT_STREQ(temp, base);
}
