// shortcut, remove-shortcut, association, remove-folder, register-dll.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlwapi.h>

#include <memory>

#include "ComServer.h"
#include "ShortcutFolders.h"
#include "EngineTestKit.h"
#include "WineTestEnv.h"

namespace {

std::unique_ptr<CSinReader> RunScript(const std::string& body, const std::string& app,
                                const std::vector<std::string>& items = {})
{
    std::unique_ptr<CSinReader> reader(MakeReader("<install>" + body + "</install>", items));
    EXPECT_TRUE(reader->Install(app.c_str(), nullptr));
    return reader;
}

std::string DesktopFolder()
{
    char folder[260] = {0};
    GetSpecialFolderPath("Desktop", folder, sizeof(folder));
    return folder;
}

} // namespace

TEST(ShortcutCommand, CreatesRemovesAndReportsFailure)
{
    CTestFolder dir;
    WriteWholeFile(dir / "app.exe", "MZ");
    CoInitialize(nullptr);
    const std::string link = DesktopFolder() + "\\KxEngineTest Shortcut.lnk";
    CMessageBoxRecorder boxes;
    RunScript("<shortcut folder=\"Desktop\" name=\"KxEngineTest Shortcut\" target=\"%APP%\\app.exe\"/>", dir.Path());
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(link.c_str())) << link;

    RunScript("<remove-shortcut folder=\"Desktop\" name=\"KxEngineTest Shortcut\"/>", dir.Path());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(link.c_str())) << link;

    // An unknown shell folder fails this command alone, with message 7.
    RunScript("<shortcut folder=\"Not A Shell Folder\" name=\"x\" target=\"%APP%app.exe\"/>"
        "<file id=\"0\" name=\"after.txt\" dest=\"%APP%\"/>",
        dir.Path(), {"after"});
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(0u, boxes.Shown()[0].text.find("The installer was unable to create the\nprogram shortcut for " +
                                             dir.Path() + "app.exe.\n"))
        << boxes.Shown()[0].text;
    EXPECT_EQ("after", ReadWholeFile(dir / "after.txt"));
    CoUninitialize();
}

TEST(AssociationCommand, EmptyIconFileUsesTheProgram)
{
    CTestFolder dir;
    RunScript("<association extension=\".kxenginetest\" progid=\"KxEngineTest.File\" desc=\"Kx test file\" "
        "exe=\"%APP%app.exe\" commandline=\"&quot;%1&quot;\" iconfile=\"\" iconnum=\"2\"/>",
        dir.Path());
    EXPECT_EQ("KxEngineTest.File", RegString(HKEY_CLASSES_ROOT, ".kxenginetest", nullptr));
    EXPECT_EQ("Kx test file", RegString(HKEY_CLASSES_ROOT, "KxEngineTest.File", nullptr));
    const std::string icon = RegString(HKEY_CLASSES_ROOT, "KxEngineTest.File\\DefaultIcon", nullptr);
    EXPECT_NE(std::string::npos, icon.find(dir.Path() + "app.exe")) << icon;
    EXPECT_NE(std::string::npos, icon.find(",2")) << icon;
    const std::string open = RegString(HKEY_CLASSES_ROOT, "KxEngineTest.File\\shell\\open\\command", nullptr);
    EXPECT_NE(std::string::npos, open.find(dir.Path() + "app.exe")) << open;
    EXPECT_NE(std::string::npos, open.find("\"%1\"")) << open;
    SHDeleteKeyA(HKEY_CLASSES_ROOT, ".kxenginetest");
    SHDeleteKeyA(HKEY_CLASSES_ROOT, "KxEngineTest.File");
}

TEST(RemoveFolderCommand, RemovesTheTreeButNeverAProtectedFolder)
{
    CTestFolder dir;
    CreateDirectoryA((dir / "app").c_str(), nullptr);
    CreateDirectoryA((dir / "app\\sub").c_str(), nullptr);
    WriteWholeFile(dir / "app\\sub\\f.txt", "x");
    SetFileAttributesA((dir / "app\\sub\\f.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    RunScript("<remove-folder path=\"%APP%app\"/><remove-folder path=\"%APP%missing\"/><remove-folder/>", dir.Path());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((dir / "app").c_str()));

    // A program "installed" into C:\ must not take the drive with it.
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    RunScript("<remove-folder path=\"%APP%\"/><remove-folder path=\"%WINDIR%\"/>", "C:\\");
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(windows));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("C:\\"));
}

TEST(RegisterDllCommand, MissingLibrariesAndItemsAreHarmless)
{
    CTestFolder dir;
    RunScript("<register-dll id=\"0\"/><unregister-dll id=\"0\"/><register-dll id=\"5\"/><register-dll/>"
        "<broadcast-message id=\"1\"/><broadcast-message id=\"9\"/>",
        dir.Path(), {"%APP%no-such.dll", "KxEngineTestMessage"});
    EXPECT_FALSE(RegisterCOMDLL("C:\\no\\such.dll"));
    EXPECT_FALSE(UnregisterCOMDLL("C:\\no\\such.dll"));
    // A real library without the export still counts as registered.
    EXPECT_TRUE(RegisterCOMDLL("kernel32.dll"));
}
