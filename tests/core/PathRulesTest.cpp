// The text rules of Windows paths, file names and registry keys, against
// tables of spellings: every way of naming the same place must come out
// the same, and nothing that can't be judged may pass.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "PathList.h"
#include "RegistryKeyPath.h"
#include "Utf8.h"
#include "WinPath.h"

namespace {

std::string Norm(const std::string& path)
{
    return WinPath::Normalise(path.data(), (int)path.size()).GetText();
}

} // namespace

TEST(WinPath, NormaliseSpellings)
{
    const struct
    {
        const char* in;
        const char* out;
    } cases[] = {
        {"C:\\Games", "C:\\Games"},
        {"c:/Games/", "C:\\Games"},
        {"C:\\\\Games\\\\\\Saves", "C:\\Games\\Saves"},
        {"C:\\Games\\App\\..", "C:\\Games"},
        {"C:\\Games\\App\\..\\..\\..\\..", "C:\\"},
        {"C:\\Games\\.\\App\\.", "C:\\Games\\App"},
        {"C:\\Windows.", "C:\\Windows"},
        {"C:\\Windows . .\\System32 ", "C:\\Windows\\System32"},
        {"C:\\Games\\App\\...", "C:\\Games\\App"},
        {"C:\\", "C:\\"},
        {"C:/", "C:\\"},
        {"\\\\?\\C:\\Windows\\", "C:\\Windows"},
        {"\\\\?\\UNC\\server\\share\\dir", "\\\\server\\share\\dir"},
        {"\\\\server\\share", "\\\\server\\share"},
        {"//server//share//a/..", "\\\\server\\share"},
        {"\\\\server\\share\\a\\..\\..", "\\\\server\\share"},
        {"Z:\\home\\user\\..\\user\\drive_c", "Z:\\home\\user\\drive_c"},
        // Not absolute, or not a file-system path: nothing to judge.
        {"", ""},
        {"Games", ""},
        {"C:Games", ""},
        {"\\Games", ""},
        {"..\\Games", ""},
        {"\\\\.\\PhysicalDrive0", ""},
        {"\\\\server", ""},
        {"\\\\server\\", ""},
        {"%APP%", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.out, Norm(c.in)) << "input: " << c.in;

    // A NUL inside the text is never cut off silently.
    EXPECT_EQ("", Norm(std::string("C:\\Games\0\\Other", 16)));
}

TEST(WinPath, SameOrInside)
{
    const struct
    {
        const char *inner, *outer;
        bool inside;
    } cases[] = {
        {"C:\\Games\\App", "C:\\Games", true},  {"C:\\GAMES\\app", "c:\\games", true},
        {"C:\\Games", "C:\\Games", true},       {"C:\\GamesX", "C:\\Games", false},
        {"C:\\Games", "C:\\Games\\App", false}, {"C:\\Games", "C:\\", true},
        {"D:\\Games", "C:\\", false},           {"\\\\srv\\share\\x", "\\\\srv\\share", true},
        {"\\\\srv\\shareX", "\\\\srv\\share", false},
        // UTF-8 names fold case as Windows does; a different letter never matches.
        {"C:\\Users\\JOS\xC3\x89\\Docs", "c:\\users\\jos\xC3\xA9", true},
        {"C:\\\xD0\x9F\xD0\xA0\xD0\x9E\xD0\x93", "C:\\\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB3", true},
        {"C:\\Users\\Jos\xC3\xAA", "C:\\Users\\Jos\xC3\xA9", false},
        {"D:\\\xE3\x82\xA2\xE3\x83\x97\xE3\x83\xAA\\x", "D:\\\xE3\x82\xA2\xE3\x83\x97\xE3\x83\xAA", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.inside, WinPath::IsSameOrInside(WinPath::Normalise(c.inner), WinPath::Normalise(c.outer)))
            << c.inner << " in " << c.outer;
    EXPECT_FALSE(WinPath::IsSameOrInside(CSmallString("C:\\x"), CSmallString()));
    EXPECT_EQ(3, WinPath::RootLength(WinPath::Normalise("C:\\a\\b")));
    EXPECT_EQ(11, WinPath::RootLength(WinPath::Normalise("\\\\srv\\share\\a")));
}

TEST(WinPath, PlainNames)
{
    const char* const good[] = {"hello.exe", "readme", "a.b.c", ".hidden", "COM10.txt", "CONSOLE", "NULL.txt",
                                "LPT10", "x..y", "\xc3\xa4\xc3\xb6.txt",
                                // Not a device: another letter after the port, another superscript.
                                "COM\xc2\xb9x", "LPT\xc2\xb9\xc2\xb9", "COM\xc2\xb4", "COM\xc2\xb0.txt", "COM\xe2\x81\xb4",
                                "xCOM1", "CO M1"};
    for (const char* name : good)
        EXPECT_EQ(nullptr, WinPath::WhyNotPlainName(name, (int)strlen(name))) << name;

    const char* const bad[] = {"",     "..\\..\\x", "sub/x",  "C:x",    "..",       ".",        "NUL",
                               "nul",  "COM1.txt",  "lpt9",   "AUX.a.b", "CON .txt", "CONIN$",   "a<b",
                               "a|b",  "a?",        "a*",     "a\"b",   "tab\there", "ends.",   "ends ",
                               "x\x01"};
    for (const char* name : bad)
        EXPECT_NE(nullptr, WinPath::WhyNotPlainName(name, (int)strlen(name))) << name;

    // Every spelling Windows opens as a device: any case, any extension,
    // blanks before it, trailing dots and blanks.
    const char* const devices[] = {"CON", "prn", "Aux", "nUl", "COM0", "com5", "COM9", "LPT0", "lpt1", "LPT9",
                                   "COM\xc2\xb9", "com\xc2\xb2", "COM\xc2\xb3", "LPT\xc2\xb9", "lpt\xc2\xb2", "Lpt\xc2\xb3",
                                   "COM\xc2\xb9.txt", "lpt\xc2\xb3.a.b", "COM\xc2\xb2 .log", "COM0.txt", "lpt0.dat",
                                   "CON.", "nul ", "COM1. ", "COM\xc2\xb9.", "LPT\xc2\xb9 ", "aux..", "conout$", "CONIN$.txt"};
    for (const char* name : devices) {
        const char* why = WinPath::WhyNotPlainName(name, (int)strlen(name));
        EXPECT_NE(nullptr, strstr(why ? why : "", "device name")) << name << ": " << (why ? why : "accepted");
    }

    EXPECT_NE(nullptr, WinPath::WhyNotPlainName("a\0b", 3));
    EXPECT_NE(nullptr, WinPath::WhyNotPlainName(std::string(256, 'a').c_str(), 256));
    EXPECT_EQ(nullptr, WinPath::WhyNotPlainName(std::string(255, 'a').c_str(), 255));
}

TEST(RegistryKeyPath, ParseAndFormat)
{
    const struct
    {
        const char* in;
        bool ok;
        const char* out;
    } cases[] = {
        {"HKEY_LOCAL_MACHINE\\Software\\\\Microsoft", true, "HKEY_LOCAL_MACHINE\\Software\\Microsoft"},
        {"hkey_current_user\\Software\\Vendor\\", true, "HKEY_CURRENT_USER\\Software\\Vendor"},
        {"HKEY_LOCAL_MACHINE", true, "HKEY_LOCAL_MACHINE"},
        {"HKEY_LOCAL_MACHINE\\\\", true, "HKEY_LOCAL_MACHINE"},
        {"HKEY_LOCAL_MACHINE\\\\\\Software\\Vendor App\\Sub/Key", true,
         "HKEY_LOCAL_MACHINE\\Software\\Vendor App\\Sub/Key"},
        {"HKLM\\Software\\Vendor", false, ""},
        {"HKEY_LOCAL_MACHINEX\\Software", false, ""},
        {"HKEY_CLASSES_ROOT\\.txt", false, ""},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        RegistryKeyPath::SKey key;
        EXPECT_EQ(c.ok, RegistryKeyPath::Parse(c.in, key)) << c.in;
        EXPECT_STREQ(c.out, c.ok ? RegistryKeyPath::Format(key).GetText() : "") << c.in;
    }

    RegistryKeyPath::SKey a, b, c;
    RegistryKeyPath::Parse("HKEY_LOCAL_MACHINE\\Software\\Vendor\\App", a);
    RegistryKeyPath::Parse("hkey_local_machine\\SOFTWARE\\\\vendor", b);
    RegistryKeyPath::Parse("HKEY_CURRENT_USER\\Software\\Vendor", c);
    EXPECT_TRUE(RegistryKeyPath::IsSameOrBelow(a, b));
    EXPECT_FALSE(RegistryKeyPath::IsSameOrBelow(b, a));
    EXPECT_FALSE(RegistryKeyPath::IsSameOrBelow(a, c));

    // A per-user installation's place for a machine-wide key: only the
    // classes, App Paths and the Add/Remove entries have one.
    const struct
    {
        const char* key;
        const char* mapped; // null: none
    } users[] = {
        {"HKEY_LOCAL_MACHINE\\Software\\Classes\\.app", "HKEY_CURRENT_USER\\Software\\Classes\\.app"},
        {"hkey_local_machine\\software\\microsoft\\windows\\currentversion\\app paths\\a.exe",
         "HKEY_CURRENT_USER\\software\\microsoft\\windows\\currentversion\\app paths\\a.exe"},
        {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App",
         "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App"},
        {"HKEY_LOCAL_MACHINE\\Software\\Vendor", nullptr},
        {"HKEY_LOCAL_MACHINE\\Software\\Classes", nullptr},
        {"HKEY_CURRENT_USER\\Software\\Classes\\.app", nullptr},
    };
    for (const auto& u : users) {
        CSmallString mapped;
        EXPECT_EQ(u.mapped != nullptr, RegistryKeyPath::MapToUserKey(u.key, mapped)) << u.key;
        if (u.mapped) {
            EXPECT_STREQ(u.mapped, mapped) << u.key;
        }
    }
}

// The entry is found by whole names, and where it stands: one named like a
// key above it ("Microsoft", "Classes"), or part of such a name ("Win",
// "App"), still has its own key read.
TEST(RegistryKeyPath, Classify)
{
    using namespace RegistryKeyPath;
#define KX_UNINSTALL "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
#define KX_APP_PATHS "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
    const struct
    {
        const char* subkey;
        EKind kind;
        const char* entry;
        const char* entryKey; // where the entry's values are read
    } cases[] = {
        {"", Root, "", ""},
        {"Software", TopLevel, "", ""},
        {"SYSTEM", TopLevel, "", ""},
        {"System\\CurrentControlSet\\Services", SystemTree, "", ""},
        {"Software\\Policies\\Vendor", SystemTree, "", ""},
        {"Software\\Wine\\Drivers", SystemTree, "", ""},
        {"Software\\Wow6432Node\\Policies\\x", SystemTree, "", ""},
        {"Software\\Microsoft", SharedKey, "", ""},
        {"Software\\Microsoft\\Windows NT\\CurrentVersion", SharedKey, "", ""},
        {"software\\microsoft\\windows\\currentversion\\run", SharedKey, "", ""},
        {"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", SharedKey, "", ""},
        {KX_UNINSTALL "Hello World", UninstallEntry, "Hello World", KX_UNINSTALL "Hello World"},
        {"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App\\x", UninstallEntry, "App",
         "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App"},
        {KX_UNINSTALL "Microsoft", UninstallEntry, "Microsoft", KX_UNINSTALL "Microsoft"},
        {KX_UNINSTALL "Software\\Windows", UninstallEntry, "Software", KX_UNINSTALL "Software"},
        {KX_UNINSTALL "Windows\\Uninstall", UninstallEntry, "Windows", KX_UNINSTALL "Windows"},
        {KX_UNINSTALL "Mini Pro\\x", UninstallEntry, "Mini Pro", KX_UNINSTALL "Mini Pro"},
        {KX_UNINSTALL "Mini\\Mini Pro", UninstallEntry, "Mini", KX_UNINSTALL "Mini"},
        {KX_APP_PATHS "hello.exe", AppPathsEntry, "hello.exe", KX_APP_PATHS "hello.exe"},
        {KX_APP_PATHS "Win", AppPathsEntry, "Win", KX_APP_PATHS "Win"},
        {KX_APP_PATHS "CurrentVersion\\x", AppPathsEntry, "CurrentVersion", KX_APP_PATHS "CurrentVersion"},
        {"Software\\Classes", SharedKey, "", ""},
        {"Software\\Classes\\.hello", ClassesEntry, ".hello", "Software\\Classes\\.hello"},
        {"Software\\Classes\\.mini\\.mini pro", ClassesEntry, ".mini", "Software\\Classes\\.mini"},
        {"Software\\Classes\\KxSetup.HelloFile\\shell\\open", ClassesEntry, "KxSetup.HelloFile",
         "Software\\Classes\\KxSetup.HelloFile"},
        {"Software\\Classes\\Classes\\shell", ClassesEntry, "Classes", "Software\\Classes\\Classes"},
        {"Software\\Classes\\Soft", ClassesEntry, "Soft", "Software\\Classes\\Soft"},
        {"Software\\Classes\\Wow6432Node\\.hello", ClassesEntry, ".hello", "Software\\Classes\\Wow6432Node\\.hello"},
        {"Software\\Classes\\CLSID", SharedKey, "", ""},
        {"Software\\Classes\\CLSID\\{1234}\\InprocServer32", ComEntry, "{1234}", "Software\\Classes\\CLSID\\{1234}"},
        {"Software\\Classes\\TypeLib\\{99}", ComEntry, "{99}", "Software\\Classes\\TypeLib\\{99}"},
        {"Software\\Classes\\CLSID\\CLSID", ComEntry, "CLSID", "Software\\Classes\\CLSID\\CLSID"},
        {"Software\\Classes\\AppID\\App\\x", ComEntry, "App", "Software\\Classes\\AppID\\App"},
        {"Software\\Classes\\*\\shell", SharedKey, "", ""},
        {"Software\\Classes\\Directory", SharedKey, "", ""},
        {"Software\\Classes\\Applications", SharedKey, "", ""},
        {"Software\\Classes\\Applications\\hello.exe", ClassesEntry, "hello.exe",
         "Software\\Classes\\Applications\\hello.exe"},
        {"Software\\Vendor\\App", Ordinary, "", ""},
        {"Software\\Wow6432Node", SharedKey, "", ""},
        {"Environment\\Sub", SystemTree, "", ""},
        {"Control Panel\\Desktop", SystemTree, "", ""},
        {"SOFTWARE\\CLASSES\\\xC3\x84pp.File", ClassesEntry, "\xC3\x84pp.File", "SOFTWARE\\CLASSES\\\xC3\x84pp.File"},
    };
#undef KX_UNINSTALL
#undef KX_APP_PATHS
    for (const auto& c : cases) {
        CSmallString entry, entryKey;
        EXPECT_EQ(c.kind, Classify(CSmallString(c.subkey), &entry, &entryKey)) << c.subkey;
        EXPECT_STREQ(c.entry, entry.GetText()) << c.subkey;
        EXPECT_STREQ(c.entryKey, entryKey.GetText()) << c.subkey;
    }

    EXPECT_STREQ(".hello\\x", BelowClasses(CSmallString("Software\\Classes\\.hello\\x")).GetText());
    EXPECT_STREQ("KxFile", BelowClasses(CSmallString("SOFTWARE\\Wow6432Node\\classes\\KxFile")).GetText());
    EXPECT_STREQ("", BelowClasses(CSmallString("Software\\Classes")).GetText());
    EXPECT_STREQ("", BelowClasses(CSmallString("Software\\Vendor\\Classes\\x")).GetText());
}

// Case-blind order and hash agree, so folded keys meet in one map slot;
// bytes that are not UTF-8 compare as they are.
TEST(Utf8, CaseBlindCompare)
{
    const struct
    {
        const char *a, *b;
        bool same;
    } cases[] = {
        {"Prögrämme", "PRÖGRÄMME", true},
        {"ÿ", "Ÿ", true},
        {"Ärger", "ärger", true},
        {"ΣΟΦΊΑ", "σοφία", true},
        {"ς", "Σ", true},
        {"Ёлка", "ёЛКА", true},
        {"Łódź", "ŁÓDŹ", true},
        {"ｆｕｌｌ", "ＦＵＬＬ", true},
        {"日本語 App", "日本語 APP", true},
        {"é", "ê", false},
        {"a\xC3", "A\xC3", true},
        {"\xC3\x28", "\xE3\x28", false},
        {"\xE9t\xE9", "\xC9T\xC9", false}, // Latin-1 bytes: not UTF-8, not folded
        {"abc", "abcd", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.same, Utf8::ICmp(c.a, c.b) == 0) << c.a << " / " << c.b;
        EXPECT_EQ(Utf8::ICmp(c.a, c.b), -Utf8::ICmp(c.b, c.a)) << c.a;
        if (c.same) {
            EXPECT_EQ(Utf8::HashNoCase(c.a), Utf8::HashNoCase(c.b)) << c.a;
        }
    }
    EXPECT_EQ(0, Utf8::NICmp("JOSÉ\\x", "josé\\y", strlen("JOSÉ\\")));
    EXPECT_NE(0, Utf8::NICmp("JOSÉ\\x", "josé\\y", strlen("JOSÉ\\x")));
    EXPECT_TRUE(Utf8::IsValid("日本語", strlen("日本語")));
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE3\x82"})
        EXPECT_FALSE(Utf8::IsValid(bad, strlen(bad))) << (unsigned char)bad[0];
}

TEST(WinPath, AddAppFolder)
{
    const struct
    {
        const char *picked, *defaultPath;
        bool emptyFolder;
        const char* expected;
    } cases[] = {
        {"C:\\", "%PROGRAM_FILES%Hello", false, "C:\\Hello"},
        {"D:\\Apps", "%PROGRAM_FILES%Hello", false, "D:\\Apps\\Hello"},
        {"D:\\Apps\\", "C:\\Programs\\Hello\\", false, "D:\\Apps\\Hello"},
        {"D:\\Apps\\HELLO", "%PROGRAM_FILES%Hello", false, "D:\\Apps\\HELLO"},
        {"D:\\Apps\\Hello\\", "%PROGRAM_FILES%Hello", false, "D:\\Apps\\Hello\\"},
        {"D:\\Apps\\OtherHello", "%PROGRAM_FILES%Hello", false, "D:\\Apps\\OtherHello\\Hello"},
        {"D:\\New folder", "%PROGRAM_FILES%Hello", true, "D:\\New folder"},
        {"D:\\Apps", "%PROGRAM_FILES%", false, "D:\\Apps"},
        {"", "%PROGRAM_FILES%Hello", false, ""},
        {"D:\\Programme", "%PROGRAM_FILES%Prögrämme\\日本語 App", false, "D:\\Programme\\日本語 App"},
        {"D:\\日本語 APP", "%PROGRAM_FILES%日本語 App", false, "D:\\日本語 APP"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.expected,
                     WinPath::AddAppFolder(CSmallString(c.picked), CSmallString(c.defaultPath), c.emptyFolder).GetText())
            << c.picked << " + " << c.defaultPath;
}

TEST(PathList, OneEntryAddedOrRemovedTheRestAsItWas)
{
    const struct
    {
        const char* list;
        const char* folder;
        bool has;
        const char* atEnd;
        const char* atStart;
        const char* removed; // null: not there, unchanged
    } cases[] = {
        {"", "C:\\App\\bin", false, "C:\\App\\bin", "C:\\App\\bin", nullptr},
        {"C:\\Windows;C:\\Tools", "C:\\App\\bin", false, "C:\\Windows;C:\\Tools;C:\\App\\bin",
         "C:\\App\\bin;C:\\Windows;C:\\Tools", nullptr},
        {"C:\\Windows;", "C:\\App", false, "C:\\Windows;C:\\App", "C:\\App;C:\\Windows;", nullptr},
        // Any case, a trailing backslash, blanks and quotes name the same folder.
        {"C:\\Windows;c:\\app\\BIN\\;C:\\Tools", "C:\\App\\bin", true, nullptr, nullptr, "C:\\Windows;C:\\Tools"},
        {"\"C:\\App\\bin\";C:\\Tools", "C:\\App\\bin", true, nullptr, nullptr, "C:\\Tools"},
        {"C:\\Tools; C:\\App\\bin ", "C:\\App\\bin\\", true, nullptr, nullptr, "C:\\Tools"},
        {"C:\\App\\bin", "C:\\App\\bin", true, nullptr, nullptr, ""},
        // The first one only; empty entries and the others' order stay.
        {"C:\\A;;C:\\App\\bin;C:\\B;C:\\App\\bin", "C:\\App\\bin", true, nullptr, nullptr, "C:\\A;;C:\\B;C:\\App\\bin"},
        // A folder inside another, or one whose name starts alike, is another.
        {"C:\\App\\bin\\x;C:\\App\\binaries;C:\\App", "C:\\App\\bin", false, nullptr, nullptr, nullptr},
        {"C:\\;D:\\", "C:\\", true, nullptr, nullptr, "D:\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.has, PathListHas(c.list, c.folder)) << c.list;
        if (c.atEnd) {
            EXPECT_STREQ(c.atEnd, PathListAdd(c.list, c.folder, false).GetText()) << c.list;
            EXPECT_STREQ(c.atStart, PathListAdd(c.list, c.folder, true).GetText()) << c.list;
        }
        bool removed = true;
        const CSmallString after = PathListRemove(c.list, c.folder, removed);
        EXPECT_EQ(c.removed != nullptr, removed) << c.list;
        EXPECT_STREQ(c.removed ? c.removed : c.list, after.GetText()) << c.list;
    }
    bool machine = false, atStart = true;
    CSmallString why;
    EXPECT_TRUE(ParsePathPlace(nullptr, nullptr, true, machine, atStart, why));
    EXPECT_FALSE(machine);
    EXPECT_FALSE(atStart);
    EXPECT_TRUE(ParsePathPlace(" Machine ", "START", true, machine, atStart, why));
    EXPECT_TRUE(machine && atStart);
    EXPECT_FALSE(ParsePathPlace("everyone", nullptr, false, machine, atStart, why));
    EXPECT_FALSE(ParsePathPlace(nullptr, "middle", false, machine, atStart, why));
}
