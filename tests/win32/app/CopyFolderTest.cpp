// The uninstaller's temporary copy: in a new private folder, the running
// program's bytes, held so that no one else can change or remove it; old
// empty folders of killed copies are swept, nothing else.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "CopyFolder.h"
#include "Security.h"
#include "WineTestEnv.h"

// The file as a reader that lets the holder keep its rights reads it.
static std::string ReadShared(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<unreadable>";
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

TEST(UninstallerCopy, IsHeldInANewPrivateFolderUntilItsHolderLetsGo)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    CAutoHandle held, second;
    CSmallString why;
    const CSmallString copy = MakeUninstallerCopy(self, held, why);
    ASSERT_FALSE(copy.IsEmpty()) << why.GetText();
    ASSERT_TRUE(held.IsValid());
    const CSmallString other = MakeUninstallerCopy(self, second, why);
    ASSERT_FALSE(other.IsEmpty()) << why.GetText();

    // "<base>kx-<16 hex digits>\<name>", a new folder each time.
    const std::string path = copy.GetText(), base = GetPrivateFolderBase().GetText();
    ASSERT_EQ(base, path.substr(0, base.size()));
    const std::string folder = path.substr(base.size(), path.find('\\', base.size()) - base.size());
    EXPECT_TRUE(IsCopyFolderName(folder.c_str())) << path;
    EXPECT_EQ(base + folder + "\\" + g_szCopyName, path);
    EXPECT_NE(path, std::string(other.GetText()));
    EXPECT_EQ(ReadWholeFile(self), ReadShared(path));

    // Others may read it, nothing more.
    SetLastError(0);
    HANDLE writer = CreateFileA(copy, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, writer);
    EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
    if (writer != INVALID_HANDLE_VALUE)
        CloseHandle(writer);
    EXPECT_FALSE(DeleteFileA(copy));
    EXPECT_FALSE(MoveFileA(copy, copy + ".moved"));
    EXPECT_EQ(ReadWholeFile(self), ReadShared(path));

    // Let go of, and run by no one: the file goes, the empty folder stays
    // for the copy to remove.
    held.Close();
    second.Close();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(copy));
    EXPECT_TRUE(RemoveDirectoryA((base + folder).c_str()));
    const std::string otherFolder = other.GetText();
    RemoveDirectoryA(otherFolder.substr(0, otherFolder.rfind('\\')).c_str());
}

TEST(UninstallerCopy, FolderNames)
{
    EXPECT_TRUE(IsCopyFolderName("kx-0123456789abcdef"));
    const char* const others[] = {"kx-0123456789ABCDEF",
                                  "kx-0123456789abcde",
                                  "kx-0123456789abcdef0",
                                  "kx-undo-0123456789abcdef",
                                  "kx-0123456789abcdeg",
                                  "KX-0123456789abcdef",
                                  "kx-uninstaller-temp.exe",
                                  "",
                                  nullptr};
    for (const char* name : others)
        EXPECT_FALSE(IsCopyFolderName(name)) << (name ? name : "(null)");
}

static void MakeOld(const std::string& path, int seconds)
{
    HANDLE folder =
        CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, folder) << path;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long then =
        (((unsigned long long)now.dwHighDateTime << 32) | now.dwLowDateTime) - seconds * 10000000ull;
    const FILETIME time = {(DWORD)then, (DWORD)(then >> 32)};
    EXPECT_TRUE(SetFileTime(folder, &time, &time, &time));
    CloseHandle(folder);
}

TEST(UninstallerCopy, OnlyOldEmptyCopyFoldersAreSwept)
{
    CTestFolder base;
    const struct
    {
        const char* name;
        bool folder, empty;
        int age; // seconds
        bool swept;
    } cases[] = {
        {"kx-0123456789abcdef", true, true, 120, true},
        {"kx-00000000000000aa", true, true, 3600, true},
        {"kx-0123456789abcdee", true, false, 120, false}, // a copy still runs from it
        {"kx-0123456789abcded", true, true, 5, false},    // just made
        {"kx-undo-0123456789abcdef", true, true, 120, false},
        {"kx-0123456789ABCDE0", true, true, 120, false},
        {"kx-0123456789abcdec", false, false, 120, false}, // a file
        {"other", true, true, 120, false},
    };
    for (const auto& c : cases) {
        const std::string path = base / c.name;
        if (c.folder) {
            ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << c.name;
            if (!c.empty)
                WriteWholeFile(path + "\\" + g_szCopyName, "x");
        } else {
            WriteWholeFile(path, "x");
        }
        MakeOld(path, c.age);
    }
    RemoveStaleCopyFolders(base.Path().c_str());
    for (const auto& c : cases)
        EXPECT_EQ(c.swept, GetFileAttributesA((base / c.name).c_str()) == INVALID_FILE_ATTRIBUTES) << c.name;
}
