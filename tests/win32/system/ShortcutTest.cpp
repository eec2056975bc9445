// Shell links written by CreateShortcut, read back through the shell.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "Shortcut.h"
#include "WineTestEnv.h"

namespace {
struct SLinkInfo
{
    bool bLoaded = false;
    std::string strTarget, strFolder;
};

// The show command straight from the file's header (ShowCommand at 0x3C
// of the documented .lnk layout): Wine's IPersistFile::Load doesn't
// restore it, so GetShowCmd after a load always says SW_SHOWNORMAL.
int ShowCommandOnDisk(const std::string& linkPath)
{
    const std::string data = ReadWholeFile(linkPath);
    if (data.size() < 0x4C || data[0] != 0x4C)
        return -1;
    return (unsigned char)data[0x3C] | (unsigned char)data[0x3D] << 8;
}

SLinkInfo LoadLink(const std::string& linkPath)
{
    SLinkInfo info;
    IShellLinkA* pLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&pLink))))
        return info;
    IPersistFile* pFile = nullptr;
    if (SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile)))) {
        WCHAR wszPath[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wszPath, MAX_PATH);
        if (SUCCEEDED(pFile->Load(wszPath, STGM_READ))) {
            char buf[MAX_PATH] = "";
            info.bLoaded = true;
            pLink->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH);
            info.strTarget = buf;
            buf[0] = 0;
            pLink->GetWorkingDirectory(buf, MAX_PATH);
            info.strFolder = buf;
        }
        pFile->Release();
    }
    pLink->Release();
    return info;
}

class ShortcutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        WriteWholeFile(m_folder / "app.exe", "MZ");
        WriteWholeFile(m_folder / "other.exe", "MZ");
    }
    void TearDown() override { CoUninitialize(); }

    CTestFolder m_folder;
};
} // namespace

TEST_F(ShortcutTest, WritesTargetFolderAndShowCommand)
{
    const std::string target = m_folder / "app.exe";
    const std::string folderOfTarget = m_folder.Path().substr(0, m_folder.Path().size() - 1);
    struct
    {
        const char* name;
        const char* workingFolder;
        int showCommand;
        std::string expectedFolder;
    } cases[] = {
        {"default.lnk", nullptr, SW_SHOWNORMAL, folderOfTarget},
        {"explicit.lnk", "C:\\Work Folder", SW_SHOWMAXIMIZED, "C:\\Work Folder"},
        {"minimised.lnk", nullptr, SW_SHOWMINNOACTIVE, folderOfTarget},
    };
    for (const auto& c : cases) {
        const std::string link = m_folder / c.name;
        EXPECT_TRUE(CreateShortcut(link.c_str(), target.c_str(), c.workingFolder, c.showCommand)) << c.name;
        const SLinkInfo info = LoadLink(link);
        ASSERT_TRUE(info.bLoaded) << c.name;
        EXPECT_STRCASEEQ(target.c_str(), info.strTarget.c_str()) << c.name;
        EXPECT_STRCASEEQ(c.expectedFolder.c_str(), info.strFolder.c_str()) << c.name;
        EXPECT_EQ(c.showCommand, ShowCommandOnDisk(link)) << c.name;
    }
}

TEST_F(ShortcutTest, ReplacesAnExistingLink)
{
    const std::string link = m_folder / "app.lnk";
    ASSERT_TRUE(CreateShortcut(link.c_str(), (m_folder / "app.exe").c_str(), nullptr, SW_SHOWNORMAL));
    ASSERT_TRUE(CreateShortcut(link.c_str(), (m_folder / "other.exe").c_str(), nullptr, SW_SHOWNORMAL));
    const SLinkInfo info = LoadLink(link);
    ASSERT_TRUE(info.bLoaded);
    EXPECT_STRCASEEQ((m_folder / "other.exe").c_str(), info.strTarget.c_str());
}

TEST_F(ShortcutTest, FailsWhereNoLinkCanBeWritten)
{
    const std::string target = m_folder / "app.exe";
    const std::string missingFolder = m_folder / "no-such-folder\\app.lnk";
    EXPECT_FALSE(CreateShortcut(missingFolder.c_str(), target.c_str(), nullptr, SW_SHOWNORMAL));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(missingFolder.c_str()));

    // A folder standing where the link should go.
    const std::string folderInTheWay = m_folder / "taken.lnk";
    ASSERT_TRUE(CreateDirectoryA(folderInTheWay.c_str(), nullptr));
    EXPECT_FALSE(CreateShortcut(folderInTheWay.c_str(), target.c_str(), nullptr, SW_SHOWNORMAL));

    EXPECT_FALSE(CreateShortcut("", target.c_str(), nullptr, SW_SHOWNORMAL));
    EXPECT_FALSE(CreateShortcut((m_folder / "x.lnk").c_str(), "", nullptr, SW_SHOWNORMAL));
    EXPECT_FALSE(CreateShortcut((m_folder / "x.lnk").c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

// A thread that never initialised COM still gets its link, and leaves COM
// as it found it.
TEST_F(ShortcutTest, WorksOnAThreadWithoutCom)
{
    const std::string link = m_folder / "thread.lnk";
    const std::string target = m_folder / "app.exe";
    bool bCreated = false;
    HRESULT hrAfter = E_FAIL;
    std::thread worker([&] {
        bCreated = CreateShortcut(link.c_str(), target.c_str(), nullptr, SW_SHOWNORMAL);
        // S_FALSE here would mean the call left COM initialised.
        hrAfter = CoInitialize(nullptr);
        if (SUCCEEDED(hrAfter))
            CoUninitialize();
    });
    worker.join();
    EXPECT_TRUE(bCreated);
    EXPECT_EQ(S_OK, hrAfter) << std::hex << hrAfter;
    const SLinkInfo info = LoadLink(link);
    ASSERT_TRUE(info.bLoaded);
    EXPECT_STRCASEEQ(target.c_str(), info.strTarget.c_str());
}
