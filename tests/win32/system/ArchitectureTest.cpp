// The application's architecture: its names, the machines that run it, and
// the registry view and paths that follow from it.
#include <windows.h>

#include <gtest/gtest.h>

#include "Architecture.h"
#include "Registry.h"
#include "win32/Handles.h"

TEST(Architecture, NamesMachinesViewsAndPaths)
{
    const struct
    {
        const char* text;
        bool known;
        EArchitecture architecture;
    } names[] = {{"", true, ArchitectureX86},      {"x86", true, ArchitectureX86}, {"X64", true, ArchitectureX64},
                 {"ARM64", true, ArchitectureArm64}, {"amd64", false, ArchitectureX86}, {" x64\r\n", true, ArchitectureX64},
                 {"64", false, ArchitectureX86}};
    for (const auto& n : names) {
        EArchitecture parsed = ArchitectureArm64;
        EXPECT_EQ(n.known, ParseArchitecture(CSmallString(n.text), parsed)) << n.text;
        if (n.known) {
            EXPECT_EQ(n.architecture, parsed) << n.text;
        }
    }
    EXPECT_STREQ("arm64", GetArchitectureName(ArchitectureArm64));

    // application, machine: runs?
    const struct
    {
        EArchitecture application, machine;
        bool runs;
    } machines[] = {{ArchitectureX86, ArchitectureX86, true},     {ArchitectureX86, ArchitectureArm64, true},
                    {ArchitectureX64, ArchitectureX86, false},    {ArchitectureX64, ArchitectureX64, true},
                    {ArchitectureX64, ArchitectureArm64, true},   {ArchitectureArm64, ArchitectureX64, false},
                    {ArchitectureArm64, ArchitectureArm64, true}, {ArchitectureArm64, ArchitectureX86, false}};
    for (const auto& m : machines)
        EXPECT_EQ(m.runs, CanRunOn(m.application, m.machine)) << m.application << " on " << m.machine;
    // The tests run in a 32-bit prefix; their 64-bit build in a 64-bit one.
    EXPECT_EQ(sizeof(void*) == 8 ? ArchitectureX64 : ArchitectureX86, GetNativeMachine());

    SetApplicationArchitecture(ArchitectureX64);
    EXPECT_TRUE(IsApplication64Bit());
    // Predefined roots take the view, keys opened by the program and an
    // explicit view keep theirs.
    EXPECT_EQ((REGSAM)(KEY_READ | KEY_WOW64_64KEY), WithApplicationView(HKEY_LOCAL_MACHINE, KEY_READ));
    EXPECT_EQ((REGSAM)(KEY_READ | KEY_WOW64_64KEY), WithApplicationView(HKEY_CURRENT_USER, KEY_READ));
    EXPECT_EQ((REGSAM)(KEY_READ | KEY_WOW64_32KEY), WithApplicationView(HKEY_LOCAL_MACHINE, KEY_READ | KEY_WOW64_32KEY));
    CRegKey opened;
    ASSERT_EQ(ERROR_SUCCESS, opened.Create(HKEY_CURRENT_USER, "Software\\KxArchitectureTest\\a\\b", KEY_ALL_ACCESS));
    EXPECT_EQ((REGSAM)KEY_READ, WithApplicationView(opened, KEY_READ));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(opened, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2));
    opened.Close();
    CRegKey sibling;
    ASSERT_EQ(ERROR_SUCCESS, sibling.Create(HKEY_CURRENT_USER, "Software\\KxArchitectureTest\\c", KEY_ALL_ACCESS));
    sibling.Close();
    // A tree deleted key by key in the view (32-bit Windows has one view).
    EXPECT_EQ(ERROR_SUCCESS, DeleteEmptyRegistryKey(HKEY_CURRENT_USER, "Software\\KxArchitectureTest\\c"));
    EXPECT_NE(ERROR_SUCCESS, DeleteEmptyRegistryKey(HKEY_CURRENT_USER, "Software\\KxArchitectureTest"));
    EXPECT_TRUE(DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\KxArchitectureTest"));
    EXPECT_TRUE(ReadRegistryText(HKEY_CURRENT_USER, "Software\\KxArchitectureTest\\a\\b", "v").IsEmpty());
    EXPECT_FALSE(DeleteRegistryKey(HKEY_CURRENT_USER, "Software\\KxArchitectureTest"));
    // 32-bit Windows has no other system folder.
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    const CSmallString cmd = CSmallString(system) + "\\cmd.exe";
    EXPECT_STREQ(cmd.GetText(), ToNativeSystemPath(cmd).GetText());

    SetApplicationArchitecture(ArchitectureX86);
    EXPECT_EQ((REGSAM)KEY_READ, WithApplicationView(HKEY_LOCAL_MACHINE, KEY_READ));
}
