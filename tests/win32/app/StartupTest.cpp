// Start-up pieces that need no window: the crash filter, the paths, the
// logo and the wizard's template change.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "AppGlobals.h"
#include "Logo.h"
#include "Security.h"
#include "Startup.h"
#include "Wizard.h"
#include "WineTestEnv.h"

TEST(Initialise, InstallsTheCrashFilter)
{
    const LPTOP_LEVEL_EXCEPTION_FILTER before = SetUnhandledExceptionFilter(nullptr);
    SetUnhandledExceptionFilter(before);

    ASSERT_TRUE(Initialise());
    EXPECT_FALSE(g_strWindowsVersion.IsEmpty());
    const LPTOP_LEVEL_EXCEPTION_FILTER installed = SetUnhandledExceptionFilter(before);
    EXPECT_NE(nullptr, installed);
    EXPECT_NE(before, installed);
}

TEST(UninstallLogPath, SitsBesideTheProgram)
{
    const struct
    {
        const char* program;
        const char* expected;
    } cases[] = {
        {"C:\\Program Files\\Hello\\uninstall.exe", "C:\\Program Files\\Hello\\uninstall.dat"},
        {"C:\\setup.exe", "C:\\uninstall.dat"},
        {"Z:/tmp/dir/setup.exe", "Z:/tmp/dir/uninstall.dat"},
        {"\\\\server\\share\\setup.exe", "\\\\server\\share\\uninstall.dat"},
        {"setup.exe", "uninstall.dat"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.expected, GetUninstallLogPath(c.program)) << c.program;
}

// A bottom-up 24-bit bitmap file of width x height pixels.
static std::string MakeBitmapFile(int width, int height)
{
    const int stride = (width * 3 + 3) & ~3;
    const int imageSize = stride * height;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + imageSize;
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = imageSize;
    std::string data(reinterpret_cast<const char*>(&file), sizeof(file));
    data.append(reinterpret_cast<const char*>(&info), sizeof(info));
    data.append(imageSize, '\x7f');
    return data;
}

static Container::CArray<unsigned char> Bytes(const std::string& text)
{
    Container::CArray<unsigned char> bytes;
    bytes.Append(reinterpret_cast<const unsigned char*>(text.data()), (unsigned)text.size());
    return bytes;
}

// The names in the run folders' base that start with "kx-".
static std::string RunFolders()
{
    const CSmallString base = GetPrivateFolderBase();
    std::string names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(base + "kx-*", &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names += std::string(found.cFileName) + " ";
    while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

TEST(InstallerLogo, LoadsWithoutLeavingAFile)
{
    const std::string before = RunFolders();
    ASSERT_TRUE(LoadInstallerLogo(Bytes(MakeBitmapFile(7, 5))));
    ASSERT_NE(nullptr, g_hInstallerLogo.Get());
    EXPECT_EQ(7, g_szInstallerLogoSize.cx);
    EXPECT_EQ(5, g_szInstallerLogoSize.cy);
    // Loaded: the file and its folder are gone already.
    EXPECT_EQ(before, RunFolders());

    FreeInstallerLogo();
    EXPECT_EQ(nullptr, g_hInstallerLogo.Get());
    EXPECT_EQ(0, g_szInstallerLogoSize.cx);
    EXPECT_EQ(0, g_szInstallerLogoSize.cy);
}

TEST(InstallerLogo, NoLogoAndUnreadableLogosLeaveNothingBehind)
{
    const std::string before = RunFolders();
    EXPECT_FALSE(LoadInstallerLogo(Container::CArray<unsigned char>()));
    EXPECT_EQ(nullptr, g_hInstallerLogo.Get());
    EXPECT_FALSE(LoadInstallerLogo(Bytes("this is not a bitmap")));
    EXPECT_EQ(nullptr, g_hInstallerLogo.Get());
    EXPECT_EQ(0, g_szInstallerLogoSize.cx);
    EXPECT_EQ(before, RunFolders());
}

// What PSCB_PRECREATE hands over: the sheet's template, either form.
struct CExTemplateHead
{
    WORD wVersion, wSignature;
    DWORD dwHelpID, dwExStyle, dwStyle;
};

TEST(PropSheetCallback, AddsTheSystemMenuBeforeCreation)
{
    const DWORD styles[] = {WS_POPUP | WS_CAPTION | DS_MODALFRAME, WS_POPUP | WS_SYSMENU, 0};
    for (const DWORD style : styles) {
        DLGTEMPLATE plain = {};
        plain.style = style;
        plain.dwExtendedStyle = 0xdeadbeef;
        EXPECT_EQ(0, PropSheetCallback(nullptr, PSCB_PRECREATE, reinterpret_cast<LPARAM>(&plain)));
        EXPECT_EQ(style | WS_SYSMENU, plain.style) << std::hex << style;
        EXPECT_EQ(0xdeadbeefu, plain.dwExtendedStyle);

        CExTemplateHead ex = {1, 0xFFFF, 0x11111111, 0x22222222, style};
        PropSheetCallback(nullptr, PSCB_PRECREATE, reinterpret_cast<LPARAM>(&ex));
        EXPECT_EQ(style | WS_SYSMENU, ex.dwStyle) << std::hex << style;
        EXPECT_EQ(1, ex.wVersion);
        EXPECT_EQ(0xFFFF, ex.wSignature);
        EXPECT_EQ(0x11111111u, ex.dwHelpID);
        EXPECT_EQ(0x22222222u, ex.dwExStyle);
    }

    // Other notifications leave the template alone.
    DLGTEMPLATE other = {};
    other.style = WS_POPUP;
    PropSheetCallback(nullptr, PSCB_INITIALIZED, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ((DWORD)WS_POPUP, other.style);
    EXPECT_EQ(0, PropSheetCallback(nullptr, PSCB_PRECREATE, 0));
}
