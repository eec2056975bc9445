// Uninstall registration after an installation, and the uninstall run.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Architecture.h"
#include "EngineTestKit.h"
#include "InstallScope.h"
#include "LogCopy.h"
#include "Security.h"
#include "WineTestEnv.h"

namespace {

const char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KxEngineTest App";

DWORD RegDword(const char* value)
{
    HKEY h;
    DWORD data = 0xdeadbeef, size = sizeof(data), type = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return 0xdeadbeef;
    if (RegQueryValueExA(h, value, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        data = 0xdeadbeef;
    RegCloseKey(h);
    return data;
}

unsigned ValueCount()
{
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return 0;
    DWORD values = 0;
    RegQueryInfoKeyA(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(h);
    return values;
}

const char kLog[] = "<uninstall><app-name>Kx Test App</app-name>"
                    "<remove-reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                    "Uninstall\\KxEngineTest App\"/><remove-folder path=\"%APP%\"/></uninstall>";

std::string Script(bool withDisplayName)
{
    return std::string("<install>") +
           (withDisplayName ? "<uninstall-display-name>KxEngineTest App</uninstall-display-name>" : "") +
           "<uninstall-publisher>Kx</uninstall-publisher><version>2.1</version><uninstall-display-icon>%APP%\\app.exe,0"
           "</uninstall-display-icon><uninstall-helplink>http://help</uninstall-helplink>"
           "<uninstaller id=\"1\"/><file id=\"0\" name=\"app.exe\" dest=\"%APP%\"/></install>";
}

bool FileExistsHere(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace

TEST(Uninstall, RegistrationWritesEveryValueAndBothFiles)
{
    CTestFolder parent;
    const std::string app = parent / "App\\"; // created by the installation
    std::unique_ptr<CSinReader> reader(MakeReader(Script(true), {"MZ app", kLog}));
    ASSERT_TRUE(reader->Install(app.c_str(), nullptr));

    EXPECT_EQ("KxEngineTest App", RegString(HKEY_LOCAL_MACHINE, kKey, "DisplayName"));
    EXPECT_EQ("http://help", RegString(HKEY_LOCAL_MACHINE, kKey, "HelpLink"));
    EXPECT_EQ("Kx", RegString(HKEY_LOCAL_MACHINE, kKey, "Publisher"));
    EXPECT_EQ("<missing>", RegString(HKEY_LOCAL_MACHINE, kKey, "URLInfoAbout")); // written only when set
    EXPECT_EQ("<missing>", RegString(HKEY_LOCAL_MACHINE, kKey, "URLUpdateInfo"));
    EXPECT_EQ("2.1", RegString(HKEY_LOCAL_MACHINE, kKey, "DisplayVersion"));
    EXPECT_EQ(app.substr(0, app.size() - 1), RegString(HKEY_LOCAL_MACHINE, kKey, "InstallLocation"));
    SYSTEMTIME today;
    GetLocalTime(&today);
    char date[16];
    snprintf(date, sizeof(date), "%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    EXPECT_EQ(date, RegString(HKEY_LOCAL_MACHINE, kKey, "InstallDate"));
    // app.exe, uninstall.dat and the stub: a few bytes, so 1 KiB; elevated,
    // the copy of uninstall.dat kept for administrators makes it 2.
    const bool elevated = IsProcessElevated();
    EXPECT_EQ(elevated ? 2u : 1u, RegDword("EstimatedSize"));
    EXPECT_EQ("\"" + app + "uninstall.exe\" /S", RegString(HKEY_LOCAL_MACHINE, kKey, "QuietUninstallString"));
    EXPECT_EQ(app + "app.exe,0", RegString(HKEY_LOCAL_MACHINE, kKey, "DisplayIcon"));
    EXPECT_EQ(1u, RegDword("NoModify"));
    EXPECT_EQ(1u, RegDword("NoRepair"));
    EXPECT_EQ("\"" + app + "uninstall.exe\"", RegString(HKEY_LOCAL_MACHINE, kKey, "UninstallString"));
    EXPECT_EQ(elevated ? 13u : 12u, ValueCount());
    const std::string copy = RegString(HKEY_LOCAL_MACHINE, kKey, "KxUninstallLogCopy");
    if (elevated) {
        EXPECT_TRUE(IsLogCopyPath(CSmallString(copy.c_str()))) << copy;
        EXPECT_EQ(ReadWholeFile(app + "uninstall.dat"), ReadWholeFile(copy));
    }

    EXPECT_EQ("MZ stub", ReadWholeFile(app + "uninstall.exe")); // the image without its package
    // The script's log, with the record of what the installation created.
    const std::string log = ReadWholeFile(app + "uninstall.dat");
    EXPECT_NE(std::string::npos, log.find("<remove-folder path=\"%APP%\" />")) << log;
    EXPECT_NE(std::string::npos, log.find("<install-record folder=\"" + app.substr(0, app.size() - 1) +
                                          "\" folder-existed=\"0\">")) << log;
    for (const char* file : {"app.exe", "uninstall.exe", "uninstall.dat"})
        EXPECT_NE(std::string::npos, log.find("<file path=\"" + app + file + "\" />")) << file << "\n" << log;
    EXPECT_NE(std::string::npos, log.find(std::string("<key path=\"HKEY_LOCAL_MACHINE\\") + kKey + "\" />")) << log;
    EXPECT_EQ("MZ app", ReadWholeFile(app + "app.exe"));

    // The log removes what it names: the folder and the registry entry.
    CMessageBoxRecorder boxes(IDYES);
    CSinReader uninstaller;
    uninstaller.UninstallFromScript((app + "uninstall.dat").c_str());
    // The question alone: the end is the caller's to tell.
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ("Are you sure you wish to completely remove\nKx Test App and all of its files from your computer?"
              "\n\nFolder: " + app.substr(0, app.size() - 1),
              boxes.Shown()[0].text);
    EXPECT_EQ("Kx Test App Uninstall", boxes.Shown()[0].caption);
    EXPECT_EQ((UINT)(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), boxes.Shown()[0].type);
    CSmallString left;
    EXPECT_TRUE(uninstaller.WasRemoved(left));
    EXPECT_EQ("", std::string(left.GetText()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(app.c_str()));
    EXPECT_EQ(0u, ValueCount());
    // The copy went with the entry, its folder too.
    EXPECT_EQ("<missing>", ReadWholeFile(copy));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(copy.substr(0, copy.rfind('\\')).c_str()));
}

TEST(Uninstall, NoDisplayNameRegistersNothing)
{
    CTestFolder dir;
    std::unique_ptr<CSinReader> reader(MakeReader(Script(false), {"MZ app", kLog}));
    ASSERT_TRUE(reader->Install(dir.Path().c_str(), nullptr));
    EXPECT_EQ("MZ app", ReadWholeFile(dir / "app.exe"));
    EXPECT_EQ("<missing>", ReadWholeFile(dir / "uninstall.exe"));
    EXPECT_EQ("<missing>", ReadWholeFile(dir / "uninstall.dat"));
    EXPECT_EQ(0u, ValueCount());
}

TEST(Uninstall, AnsweringNoOrAMissingLogChangesNothing)
{
    CTestFolder dir;
    WriteWholeFile(dir / "uninstall.dat", kLog);
    WriteWholeFile(dir / "app.exe", "MZ");
    CMessageBoxRecorder boxes(IDNO);
    CSinReader uninstaller;
    uninstaller.UninstallFromScript((dir / "uninstall.dat").c_str());
    EXPECT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ("MZ", ReadWholeFile(dir / "app.exe"));

    EXPECT_EQ(CSinReader::RunCancelled, uninstaller.GetRunResult());

    // A log that is missing or cut short is refused with a message, before
    // any question: its last command may be cut into something else.
    const std::string cut = std::string(kLog).substr(0, std::string(kLog).find("%APP%") + 5);
    WriteWholeFile(dir / "cut.dat", cut);
    for (const std::string& log : {dir / "no-such.dat", dir / "cut.dat"}) {
        CMessageBoxRecorder refused(IDYES);
        CSinReader damaged;
        damaged.UninstallFromScript(log.c_str());
        ASSERT_EQ(1u, refused.Shown().size()) << log;
        EXPECT_EQ(0u, refused.Shown()[0].text.find("The uninstall information\n" + log + "\nis damaged or incomplete ("))
            << refused.Shown()[0].text;
        EXPECT_EQ("Setup Error", refused.Shown()[0].caption);
        EXPECT_EQ(CSinReader::RunFailed, damaged.GetRunResult());
    }
    EXPECT_EQ("MZ", ReadWholeFile(dir / "app.exe"));
    EXPECT_TRUE(FileExistsHere(dir.Path()));

    // An empty uninstall section asks, then does nothing.
    WriteWholeFile(dir / "empty.dat", "<uninstall><app-name>E</app-name></uninstall>");
    CMessageBoxRecorder yes(IDYES);
    CSinReader empty;
    empty.UninstallFromScript((dir / "empty.dat").c_str());
    EXPECT_EQ(1u, yes.Shown().size());
    EXPECT_EQ(CSinReader::RunDone, empty.GetRunResult());
    EXPECT_EQ("MZ", ReadWholeFile(dir / "app.exe"));
}

// The log keeps the architecture and the scope the installation ran with,
// whatever the script's log said: the uninstaller takes its registry view
// and its shortcut folders from them.
TEST(Uninstall, TheLogKeepsTheArchitectureAndScopeTheInstallationUsed)
{
    const std::string x64Log = std::string(kLog).insert(strlen("<uninstall>"), "<architecture>x64</architecture>");
    const struct
    {
        EArchitecture architecture;
        EScope scope;
        std::string log;
        const char* recorded[2]; // null: no element
    } cases[] = {
        {ArchitectureX86, ScopeUnset, kLog, {nullptr, nullptr}},
        {ArchitectureX86, ScopeUnset, x64Log, {"<architecture>x86</architecture>", nullptr}},
        {ArchitectureX64, ScopeMachine, kLog, {"<architecture>x64</architecture>", "<scope>machine</scope>"}},
        {ArchitectureArm64, ScopeUnset, x64Log, {"<architecture>arm64</architecture>", nullptr}},
    };
    for (const auto& c : cases) {
        CTestFolder dir;
        std::unique_ptr<CSinReader> reader(MakeReader(Script(true), {"MZ app", c.log}));
        SetApplicationArchitecture(c.architecture); // on 32-bit Windows, one registry view all the same
        SetInstallScope(c.scope);
        const bool installed = reader->Install(dir.Path().c_str(), nullptr);
        SetApplicationArchitecture(ArchitectureX86);
        SetInstallScope(ScopeUnset);
        ASSERT_TRUE(installed);
        const std::string log = ReadWholeFile(dir / "uninstall.dat");
        const char* elements[2] = {"<architecture>", "<scope>"};
        for (int i = 0; i < 2; i++) {
            const size_t at = log.find(elements[i]);
            EXPECT_EQ(c.recorded[i] != nullptr, at != std::string::npos) << log;
            if (c.recorded[i]) {
                EXPECT_EQ(at, log.find(c.recorded[i])) << log;
            }
            EXPECT_EQ(std::string::npos, log.find(elements[i], at == std::string::npos ? 0 : at + 1)) << log;
        }
        CMessageBoxRecorder boxes(IDYES);
        CSinReader uninstaller;
        uninstaller.UninstallFromScript((dir / "uninstall.dat").c_str());
    }
}
