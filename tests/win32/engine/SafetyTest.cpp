// What an installation may change and what it must give back: a failure or
// a cancel undoes everything, names stay inside their folders, a file in
// use is asked about, and uninstalling removes only what was created.
#include <gtest/gtest.h>

#include <memory>

#include <shlobj.h>

#include "EngineTestKit.h"
#include "Exceptions.h"
#include "KeptFiles.h"
#include "Security.h"
#include "SinProgress.h"
#include "UserMessages.h"
#include "WineTestEnv.h"

namespace {

typedef std::unique_ptr<CSinReader> ReaderPtr;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void SetString(HKEY root, const std::string& key, const char* name, const char* value)
{
    HKEY h;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr));
    RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), (DWORD)strlen(value) + 1);
    RegCloseKey(h);
}

// Stops the run when asked at a given element, or inside a long step.
struct CStoppingProgress : CSinProgressABC
{
    unsigned uStopAt = ~0u, uWorkingCalls = 0, uStopAfterWorking = ~0u;
    bool OnItemExecuted(unsigned index) override { return index < uStopAt; }
    bool OnWorking() override { return ++uWorkingCalls < uStopAfterWorking; }
};

// A script that changes a bit of everything in app and key, then fails or
// stops at its last element.
std::string ChangingScript(const CTestRegKey& key, const std::string& last)
{
    return "<install><uninstall-display-name>KxSafetyTest</uninstall-display-name>"
           "<uninstaller>&lt;uninstall&gt;&lt;/uninstall&gt;</uninstaller>"
           "<file id=\"0\" name=\"new.txt\" dest=\"%APP%\"/>"
           "<file id=\"0\" name=\"old.txt\" dest=\"%APP%\"/>"
           "<file id=\"0\" name=\"deep.txt\" dest=\"%APP%made\\deeper\"/>"
           "<reg-key section=\"" + key.FullName() + "\" name=\"existing\" value=\"changed\"/>"
           "<reg-key section=\"" + key.FullName() + "\" name=\"added\" value=\"new\"/>"
           "<reg-key section=\"" + key.FullName() + "\\Created\\Below\" name=\"v\" value=\"1\"/>" +
           last + "</install>";
}

// A run of files into one new folder, as a packed folder reads: before
// files, the one named odd (if any), after files.
std::string FileRun(int before, const char* odd, int after)
{
    std::string run;
    for (int i = 0; i < before + after; i++) {
        if (i == before && *odd)
            run += std::string("<file id=\"0\" name=\"") + odd + "\" dest=\"%APP%made\\run\"/>";
        run += "<file id=\"0\" name=\"f" + std::to_string(i) + ".txt\" dest=\"%APP%made\\run\"/>";
    }
    return run;
}

void ExpectUnchanged(const CTestFolder& dir, const CTestRegKey& key)
{
    EXPECT_FALSE(Exists(dir / "new.txt"));
    EXPECT_EQ("old", ReadWholeFile(dir / "old.txt"));
    EXPECT_FALSE(Exists(dir / "made"));
    EXPECT_EQ("before", RegString(HKEY_CURRENT_USER, key.SubKey(), "existing"));
    EXPECT_EQ("<missing>", RegString(HKEY_CURRENT_USER, key.SubKey(), "added"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key.SubKey() + "\\Created"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KxSafetyTest"));
    EXPECT_FALSE(Exists(dir / "uninstall.exe"));
}

} // namespace

TEST(Safety, FailureAndCancelUndoEverything)
{
    const struct
    {
        const char* label;
        std::string last; // the element that ends the run
        unsigned stopAt;  // cancel before this element
        CSinReader::ERunResult result;
    } cases[] = {
        {"a file that can't be written", "<file id=\"0\" name=\"x\" dest=\"%APP%old.txt\\sub\"/>", ~0u,
         CSinReader::RunFailed},
        // The files after it were being made ahead: they go too.
        {"a bad name amid files made ahead", FileRun(3, "..\\escaped.txt", 3), ~0u, CSinReader::RunFailed},
        {"cancel amid files made ahead", FileRun(6, "", 0), 10, CSinReader::RunCancelled},
        {"a name that escapes its folder", "<file id=\"0\" name=\"..\\escaped.txt\" dest=\"%APP%\"/>", ~0u,
         CSinReader::RunFailed},
        {"cancel before the last element", "<file id=\"0\" name=\"late.txt\" dest=\"%APP%\"/>", 8,
         CSinReader::RunCancelled},
    };
    // Left by an earlier run that failed, it would fail every run after.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KxSafetyTest");
    for (const auto& c : cases) {
        CTestFolder dir;
        CTestRegKey key;
        WriteWholeFile(dir / "old.txt", "old");
        SetString(HKEY_CURRENT_USER, key.SubKey(), "existing", "before");
        ReaderPtr reader(MakeReader(ChangingScript(key, c.last), {"new"}));
        CMessageBoxRecorder boxes;
        CStoppingProgress progress;
        progress.uStopAt = c.stopAt;
        EXPECT_FALSE(reader->Install(dir.Path().c_str(), &progress)) << c.label;
        EXPECT_EQ(c.result, reader->GetRunResult()) << c.label;
        EXPECT_EQ(c.result == CSinReader::RunFailed ? 1u : 0u, boxes.Shown().size()) << c.label;
        ExpectUnchanged(dir, key);
        EXPECT_FALSE(Exists(dir / "escaped.txt"));
        EXPECT_FALSE(Exists(dir / "late.txt"));
    }
}

// Files made ahead of the writer are the ones the script names, each with
// its item, or gone: one skipped for its id, one named twice.
TEST(Safety, FilesMadeAheadAreTheInstallationsOrGone)
{
    CTestFolder dir;
    ReaderPtr reader(MakeReader("<install>"
                                "<file id=\"0\" name=\"a.txt\" dest=\"%APP%run\"/>"
                                "<file id=\"1\" name=\"b.txt\" dest=\"%APP%run\"/>"
                                "<file id=\"7\" name=\"skipped.txt\" dest=\"%APP%run\"/>"
                                "<file id=\"1\" name=\"a.txt\" dest=\"%APP%run\"/>"
                                "<file id=\"0\" name=\"c.txt\" dest=\"%APP%run\"/>"
                                "<file id=\"0\" name=\"d.txt\" dest=\"%APP%run\"/>"
                                "<file id=\"1\" name=\"e.txt\" dest=\"%APP%run\\sub\"/></install>",
                                {"one", "two"}));
    CMessageBoxRecorder boxes;
    ASSERT_TRUE(reader->Install(dir.Path().c_str(), nullptr));
    EXPECT_TRUE(boxes.Shown().empty());
    const char* const expected[][2] = {{"a.txt", "two"}, {"b.txt", "two"}, {"skipped.txt", "<missing>"},
                                       {"c.txt", "one"}, {"d.txt", "one"}, {"sub\\e.txt", "two"}};
    for (const auto& e : expected)
        EXPECT_EQ(e[1], ReadWholeFile(dir / (std::string("run\\") + e[0]))) << e[0];
}

TEST(Safety, CancelInsideALargeFileRemovesWhatWasWritten)
{
    CTestFolder dir;
    ReaderPtr reader(MakeReader("<install><file id=\"0\" name=\"big.bin\" dest=\"%APP%sub\"/></install>",
                                {std::string(5 << 20, 'x')}));
    CStoppingProgress progress;
    progress.uStopAfterWorking = 2; // after the second megabyte
    EXPECT_FALSE(reader->Install(dir.Path().c_str(), &progress));
    EXPECT_EQ(CSinReader::RunCancelled, reader->GetRunResult());
    EXPECT_FALSE(Exists(dir / "sub"));
}

TEST(Safety, NamesMustStayNames)
{
    const char* const names[] = {"..\\..\\x.txt", "sub/x.txt", "C:x.txt", "NUL", "com1.txt", "CON .log", "x.txt.",
                                 "a|b", ""};
    for (const char* name : names) {
        for (const std::string element : {"file id=\"0\" dest=\"%APP%\"", "shortcut folder=\"Desktop\" target=\"x\""}) {
            CTestFolder dir;
            ReaderPtr reader(MakeReader("<install><" + element + " name=\"" + name + "\"/></install>", {"x"}));
            CMessageBoxRecorder boxes;
            EXPECT_FALSE(reader->Install(dir.Path().c_str(), nullptr)) << element << " " << name;
            ASSERT_EQ(1u, boxes.Shown().size()) << element << " " << name;
            EXPECT_EQ(0u, boxes.Shown()[0].text.find("The installation script asks for a file or shortcut name that "
                                                     "Windows can't use:\n'" +
                                                     std::string(name) + "'"))
                << boxes.Shown()[0].text;
        }
    }
    // A name or folder cut at a NUL would write another file than meant.
    for (const std::string attributes : {"name=\"app&#0;.exe\" dest=\"%APP%\"", "name=\"app.exe\" dest=\"%APP%x&#0;y\""}) {
        CTestFolder dir;
        ReaderPtr reader(MakeReader("<install><file id=\"0\" " + attributes + "/></install>", {"x"}));
        CMessageBoxRecorder boxes;
        EXPECT_FALSE(reader->Install(dir.Path().c_str(), nullptr)) << attributes;
        ASSERT_EQ(1u, boxes.Shown().size()) << attributes;
        EXPECT_NE(std::string::npos, boxes.Shown()[0].text.find("NUL character")) << boxes.Shown()[0].text;
        EXPECT_FALSE(Exists(dir / "app")) << attributes;
        EXPECT_FALSE(Exists(dir / "x")) << attributes;
    }
}

namespace {
HANDLE g_hLocked = INVALID_HANDLE_VALUE;
int g_nAsked = 0;
int ReleaseOnSecondQuestion(HWND, const char*, const char*, UINT type)
{
    EXPECT_EQ((UINT)(MB_RETRYCANCEL | MB_ICONWARNING), type);
    if (++g_nAsked == 2 && g_hLocked != INVALID_HANDLE_VALUE) {
        CloseHandle(g_hLocked);
        g_hLocked = INVALID_HANDLE_VALUE;
    }
    return IDRETRY;
}
} // namespace

TEST(Safety, AFileInUseIsAskedAbout)
{
    CTestFolder dir;
    WriteWholeFile(dir / "app.exe", "old");
    ReaderPtr reader(MakeReader("<install><file id=\"0\" name=\"new.txt\" dest=\"%APP%\"/>"
                                "<file id=\"0\" name=\"app.exe\" dest=\"%APP%\"/></install>",
                                {"new"}));
    // Held open without sharing, as a running program may hold its files.
    g_hLocked = CreateFileA((dir / "app.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, g_hLocked);
    {
        CMessageBoxRecorder boxes(IDCANCEL);
        EXPECT_FALSE(reader->Install(dir.Path().c_str(), nullptr));
        EXPECT_EQ(CSinReader::RunCancelled, reader->GetRunResult());
        ASSERT_EQ(1u, boxes.Shown().size());
        EXPECT_EQ(0u, boxes.Shown()[0].text.find("Setup can't replace the file:\n" + dir / "app.exe" + "\n\n("))
            << boxes.Shown()[0].text;
        EXPECT_FALSE(Exists(dir / "new.txt"));
    }
    // Retry while it is still in use asks again; once it is free, it goes on.
    g_nAsked = 0;
    SetMessageBoxHook(ReleaseOnSecondQuestion);
    EXPECT_TRUE(reader->Install(dir.Path().c_str(), nullptr));
    SetMessageBoxHook(nullptr);
    EXPECT_EQ(2, g_nAsked);
    EXPECT_EQ("new", ReadWholeFile(dir / "app.exe"));
    if (g_hLocked != INVALID_HANDLE_VALUE)
        CloseHandle(g_hLocked);
}

TEST(Safety, UninstallRemovesOnlyWhatTheInstallationCreated)
{
    const std::string log = "<uninstall><app-name>Kx</app-name><remove-folder path=\"%APP%\"/></uninstall>";
    const std::string script = "<install><uninstall-display-name>KxSafetyRecord</uninstall-display-name>"
                               "<uninstaller id=\"1\"/><file id=\"0\" name=\"app.exe\" dest=\"%APP%\"/>"
                               "<file id=\"0\" name=\"data.txt\" dest=\"%APP%data\"/></install>";
    // Into a folder that held the user's files: those stay, with the folder.
    {
        CTestFolder dir;
        WriteWholeFile(dir / "important.txt", "mine");
        ReaderPtr reader(MakeReader(script, {"MZ", log}));
        ASSERT_TRUE(reader->Install(dir.Path().c_str(), nullptr));
        WriteWholeFile(dir / "data\\saved-later.txt", "also mine");
        CMessageBoxRecorder boxes(IDYES);
        CSinReader uninstaller;
        uninstaller.UninstallFromScript((dir / "uninstall.dat").c_str());
        EXPECT_EQ(CSinReader::RunDone, uninstaller.GetRunResult());
        EXPECT_EQ("mine", ReadWholeFile(dir / "important.txt"));
        EXPECT_EQ("also mine", ReadWholeFile(dir / "data\\saved-later.txt"));
        for (const char* file : {"app.exe", "data\\data.txt", "uninstall.exe", "uninstall.dat"})
            EXPECT_FALSE(Exists(dir / file)) << file;
    }
    // Into a folder of its own: the whole folder goes, as it always did.
    {
        CTestFolder parent;
        const std::string app = parent / "App\\";
        ReaderPtr reader(MakeReader(script, {"MZ", log}));
        ASSERT_TRUE(reader->Install(app.c_str(), nullptr));
        WriteWholeFile(app + "later.txt", "x");
        CMessageBoxRecorder boxes(IDYES);
        CSinReader uninstaller;
        uninstaller.UninstallFromScript((app + "uninstall.dat").c_str());
        EXPECT_FALSE(Exists(app));
        EXPECT_TRUE(Exists(parent.Path()));
    }
}

TEST(Safety, UninstallRefusesOtherSpellingsOfForeignPlaces)
{
    CTestFolder parent;
    const std::string app = parent / "Games\\App\\";
    CreateDirectoryA((parent / "Games").c_str(), nullptr);
    CreateDirectoryA((parent / "Games\\Other").c_str(), nullptr);
    WriteWholeFile(parent / "Games\\Other\\save.dat", "another game's");
    CTestRegKey key;
    SetString(HKEY_CURRENT_USER, key.SubKey() + "\\Vendor\\Other", "data", "theirs");
    const std::string otherEntry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KxSafetyOtherApp";
    SetString(HKEY_LOCAL_MACHINE, otherEntry, "UninstallString", "C:\\Other\\uninstall.exe");

    const std::string log =
        "<uninstall><app-name>Kx</app-name>"
        "<remove-folder path=\"%APP%..\"/><remove-folder path=\"%APP%\\..\\..\\Games\"/>"
        "<remove-folder path=\"%APP%..\\Other\"/>"
        "<remove-reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\\\Microsoft\"/>"
        "<remove-reg-key section=\"HKEY_CURRENT_USER\\\\Software\\Classes\\CLSID\"/>"
        "<remove-reg-key section=\"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\"/>"
        "<remove-reg-key section=\"HKEY_LOCAL_MACHINE\\" + otherEntry + "\"/>"
        "<remove-reg-key section=\"" + key.FullName() + "\\Vendor\"/>"
        "<remove-shortcut folder=\"Desktop\" name=\"..\\..\\Public\\Desktop\\Other\"/>"
        "<remove-folder path=\"%APP%\"/></uninstall>";
    ReaderPtr reader(MakeReader("<install><uninstall-display-name>KxSafetyGuards</uninstall-display-name>"
                                "<uninstaller id=\"1\"/><file id=\"0\" name=\"app.exe\" dest=\"%APP%\"/>"
                                "<reg-key section=\"" + key.FullName() + "\\Vendor\\Ours\" name=\"v\" value=\"1\"/>"
                                "</install>",
                                {"MZ", log}));
    ASSERT_TRUE(reader->Install(app.c_str(), nullptr));

    CMessageBoxRecorder boxes(IDYES);
    CSinReader uninstaller;
    uninstaller.UninstallFromScript((app + "uninstall.dat").c_str());
    // What the log may not remove makes the run a failure, with the rest done.
    EXPECT_EQ(CSinReader::RunFailed, uninstaller.GetRunResult());
    EXPECT_EQ("another game's", ReadWholeFile(parent / "Games\\Other\\save.dat"));
    EXPECT_FALSE(Exists(app));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, otherEntry));
    // The vendor key existed before: only what the installation added goes.
    EXPECT_EQ("theirs", RegString(HKEY_CURRENT_USER, key.SubKey() + "\\Vendor\\Other", "data"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key.SubKey() + "\\Vendor\\Ours"));

    // Everything refused is listed once, for the end the caller tells.
    ASSERT_EQ(1u, boxes.Shown().size());
    CSmallString left;
    EXPECT_TRUE(uninstaller.WasRemoved(left));
    const std::string told = left.GetText();
    EXPECT_EQ(0u, told.find("\n\nThese items were left in place because the installation did not create them or "
                            "other programs share them:\n- "))
        << told;
    for (const std::string& part :
         {parent / "Games (outside the installation's folder", parent / "Games\\Other (outside the installation's folder",
          std::string("HKEY_LOCAL_MACHINE\\Software\\Microsoft ("), key.FullName() + "\\Vendor (it was there before",
          std::string("HKEY_CURRENT_USER\\Software\\Classes\\CLSID ("), std::string("HKEY_LOCAL_MACHINE\\System"),
          "HKEY_LOCAL_MACHINE\\" + otherEntry, std::string("Public\\Desktop\\Other")})
        EXPECT_NE(std::string::npos, told.find(part)) << part << "\n" << told;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, otherEntry.c_str());
    RemoveTestTree(parent / "Games");
}

// An uninstall log in a folder users can write is no authority for an
// elevated uninstall: the copy only administrators can write is followed,
// and what was added beside the program is refused and told.
TEST(Safety, AnElevatedUninstallFollowsTheCopyKeptForAdministrators)
{
    if (!IsProcessElevated())
        GTEST_SKIP() << "the copy is kept only by elevated installations";
    CTestFolder parent;
    const std::string app = parent / "App\\";
    CreateDirectoryA((parent / "Victim").c_str(), nullptr);
    WriteWholeFile(parent / "Victim\\thesis.txt", "the user's");
    const std::string entry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KxSafetyCopy";
    const std::string log = "<uninstall><app-name>Kx</app-name><remove-reg-key section=\"HKEY_LOCAL_MACHINE\\" +
                            entry + "\"/><remove-folder path=\"%APP%\"/></uninstall>";
    ReaderPtr reader(MakeReader("<install><uninstall-display-name>KxSafetyCopy</uninstall-display-name>"
                                "<uninstaller id=\"1\"/><file id=\"0\" name=\"app.exe\" dest=\"%APP%\"/></install>",
                                {"MZ", log}));
    ASSERT_TRUE(reader->Install(app.c_str(), nullptr));
    const std::string copy = RegString(HKEY_LOCAL_MACHINE, entry, "KxUninstallLogCopy");

    // Hostile commands, and record lines that vouch for them: another
    // program's key would go by the record's word alone.
    CTestRegKey other;
    SetString(HKEY_CURRENT_USER, other.SubKey() + "\\OtherApp", "data", "theirs");
    std::string tampered = ReadWholeFile(app + "uninstall.dat");
    tampered.insert(tampered.find("<remove-reg-key"), "<remove-folder path=\"" + parent / "Victim" + "\" />"
                                                      "<remove-reg-key section=\"" + other.FullName() + "\\OtherApp\" />");
    tampered.insert(tampered.find("</install-record>"), "<folder path=\"" + parent / "Victim" + "\" /><key path=\"" +
                                                            other.FullName() + "\\OtherApp\" />");
    WriteWholeFile(app + "uninstall.dat", tampered);

    CMessageBoxRecorder boxes(IDYES);
    CSinReader uninstaller;
    uninstaller.UninstallFromScript((app + "uninstall.dat").c_str());
    EXPECT_EQ("the user's", ReadWholeFile(parent / "Victim\\thesis.txt"));
    EXPECT_EQ("theirs", RegString(HKEY_CURRENT_USER, other.SubKey() + "\\OtherApp", "data"));
    EXPECT_FALSE(Exists(app));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, entry));
    EXPECT_EQ("<missing>", ReadWholeFile(copy)); // gone with the entry
    EXPECT_EQ(CSinReader::RunFailed, uninstaller.GetRunResult());
    ASSERT_EQ(1u, boxes.Shown().size());
    CSmallString left;
    EXPECT_TRUE(uninstaller.WasRemoved(left));
    const std::string told = left.GetText();
    for (const char* part : {"Victim\" /> (not in the uninstall information kept for administrators)",
                             "OtherApp\" /> (not in the uninstall information kept for administrators)"})
        EXPECT_NE(std::string::npos, told.find(part)) << told;
    EXPECT_EQ(std::string::npos, told.find("<target")) << "the record is no command";
}

// What was there before comes back at uninstall: the user's file that the
// installation replaced and a value it wrote over. A record whose kept
// path was changed to another file (in the administrators' copy itself,
// which an elevated uninstall follows) brings nothing from there.
TEST(Safety, WhatWasThereBeforeComesBack)
{
    CTestRegKey key;
    const std::string entry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KxSafetyBefore";
    const std::string log = "<uninstall><app-name>Kx</app-name>"
                            "<remove-reg-key section=\"" + key.FullName() + "\" name=\"setting\"/>"
                            "<remove-reg-key section=\"HKEY_LOCAL_MACHINE\\" + entry + "\"/>"
                            "<remove-file path=\"%APP%app.exe\"/><remove-file path=\"%APP%notes.txt\"/>"
                            "<remove-file path=\"%APP%uninstall.exe\"/><remove-file path=\"%APP%uninstall.dat\"/>"
                            "</uninstall>";
    const std::string script = "<install><uninstall-display-name>KxSafetyBefore</uninstall-display-name>"
                               "<uninstaller id=\"1\"/><file id=\"0\" name=\"app.exe\" dest=\"%APP%\"/>"
                               "<file id=\"0\" name=\"notes.txt\" dest=\"%APP%\"/>"
                               "<reg-key section=\"" + key.FullName() + "\" name=\"setting\" value=\"ours\"/></install>";
    for (bool tampered : {false, true}) {
        CTestFolder dir, victim;
        WriteWholeFile(dir / "app.exe", "the user's app");
        WriteWholeFile(dir / "notes.txt", "the user's notes");
        WriteWholeFile(victim / "thesis.txt", "the user's thesis");
        SetString(HKEY_CURRENT_USER, key.SubKey(), "setting", "the user's");
        ReaderPtr reader(MakeReader(script, {"MZ", log}));
        ASSERT_TRUE(reader->Install(dir.Path().c_str(), nullptr));
        EXPECT_EQ("MZ", ReadWholeFile(dir / "app.exe"));
        EXPECT_EQ("ours", RegString(HKEY_CURRENT_USER, key.SubKey(), "setting"));
        const std::string copy = RegString(HKEY_LOCAL_MACHINE, entry, "KxUninstallLogCopy");
        std::string kept;
        for (const std::string& file : {dir / "uninstall.dat", copy}) {
            std::string text = ReadWholeFile(file);
            const size_t at = text.find("<replaced path=\"" + dir / "app.exe\" kept=\"");
            if (at == std::string::npos)
                continue;
            const size_t begin = text.find("kept=\"", at) + 6, end = text.find('"', begin);
            kept = text.substr(begin, end - begin);
            if (tampered)
                WriteWholeFile(file, text.replace(begin, end - begin, victim / "thesis.txt"));
        }
        ASSERT_EQ("the user's app", ReadWholeFile(kept));

        CMessageBoxRecorder boxes(IDYES);
        CSinReader uninstaller;
        uninstaller.UninstallFromScript((dir / "uninstall.dat").c_str());
        EXPECT_EQ("the user's notes", ReadWholeFile(dir / "notes.txt"));
        EXPECT_EQ("the user's", RegString(HKEY_CURRENT_USER, key.SubKey(), "setting"));
        EXPECT_FALSE(Exists(dir / "uninstall.exe"));
        EXPECT_EQ("the user's thesis", ReadWholeFile(victim / "thesis.txt"));
        if (!tampered) {
            EXPECT_EQ(CSinReader::RunDone, uninstaller.GetRunResult());
            EXPECT_EQ("the user's app", ReadWholeFile(dir / "app.exe"));
            EXPECT_FALSE(Exists(kept.substr(0, kept.rfind('\\')))) << "the store goes once empty";
            continue;
        }
        EXPECT_EQ(CSinReader::RunFailed, uninstaller.GetRunResult());
        EXPECT_FALSE(Exists(dir / "app.exe"));
        ASSERT_EQ(1u, boxes.Shown().size());
        CSmallString left;
        EXPECT_TRUE(uninstaller.WasRemoved(left));
        EXPECT_NE(std::string::npos, std::string(left.GetText()).find("thesis.txt (not where the files an installation "
                                                                       "replaced are kept)"))
            << left.GetText();
        // Where it was kept, the user's file stays.
        EXPECT_EQ("the user's app", ReadWholeFile(kept));
        RemoveTestTree(kept.substr(0, kept.rfind('\\') + 1));
    }
}

// Only a number in a "kxsetup-" folder right inside the store's base is a
// kept file: the administrators' under %ProgramData%, the user's under
// the local application data.
TEST(Safety, KeptFilesHaveTheStoresForm)
{
    char common[MAX_PATH], local[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, common)));
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local)));
    const std::string hex = "0123456789abcdef", admins = std::string(common) + "\\kxsetup-",
                      user = std::string(local) + "\\kxsetup-";
    const struct
    {
        std::string path;
        bool forAdministrators, kept;
    } cases[] = {
        {admins + hex + "\\1", true, true},
        {admins + hex + "\\123456789", true, true},
        {user + hex + "\\7", false, true},
        {admins + hex + "\\1", false, false},
        {user + hex + "\\7", true, false},
        {admins + hex + "\\uninstall.dat", true, false},
        {admins + hex + "\\1234567890", true, false},
        {admins + hex + "\\1\\2", true, false},
        {admins + hex + "\\", true, false},
        {admins + hex.substr(1) + "\\1", true, false},
        {admins + "0123456789ABCDEF\\1", true, false},
        {std::string(common) + "\\other-" + hex + "\\1", true, false},
        {admins + hex + "\\..\\..\\kxsetup-" + hex + "\\1", true, false},
        {std::string(common) + "\\x\\kxsetup-" + hex + "\\1", true, false},
        {"kxsetup-" + hex + "\\1", true, false},
        {"", true, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.kept, IsKeptFilePath(CSmallString(c.path.c_str()), c.forAdministrators)) << c.path;
    // The user's own store is made where its form says.
    const CSmallString made = CreateUserKeptFolder();
    ASSERT_FALSE(made.IsEmpty());
    EXPECT_TRUE(IsKeptFilePath(made + "1", false)) << made.GetText();
    RemoveDirectoryA(made);
}

// A log without a record (a publisher's, or an older installer's) keeps
// remove-file and the if-empty form inside the installation's folder.
TEST(Safety, WithoutARecordOneFileAndEmptyFoldersStayInside)
{
    const struct
    {
        const char* what;
        const char* command;
        const char* target; // below the installation's folder
        bool remains;
        const char* told; // null: nothing refused
        const char* kept = nullptr; // a folder left because it holds more
    } cases[] = {
        {"a file of the folder goes", "<remove-file path=\"%APP%a.txt\"/>", "a.txt", false, nullptr},
        {"a missing file is no error", "<remove-file path=\"%APP%missing.txt\"/>", "missing.txt", false, nullptr},
        {"never a folder", "<remove-file path=\"%APP%full\"/>", "full", true, "full (a folder, not a file)"},
        {"never a file outside", "<remove-file path=\"%APP%..\\outside.txt\"/>", "..\\outside.txt", true,
         "outside.txt (outside the installation's folder)"},
        {"an empty folder goes", "<remove-folder path=\"%APP%empty\" if-empty=\"yes\"/>", "empty", false, nullptr},
        {"one that isn't stays, told as kept", "<remove-folder path=\"%APP%full\" if-empty=\"yes\"/>", "full\\c.txt",
         true, nullptr, "App\\full"},
        {"an absent one is no error", "<remove-folder path=\"%APP%gone\" if-empty=\"true\"/>", "gone", false, nullptr},
        {"one outside, even empty, is refused", "<remove-folder path=\"%APP%..\\elsewhere\" if-empty=\"yes\"/>",
         "..\\elsewhere", true, "elsewhere (outside the installation's folder)"},
        {"without if-empty, the whole tree as before", "<remove-folder path=\"%APP%full\"/>", "full", false, nullptr},
    };
    for (const auto& c : cases) {
        CTestFolder parent;
        const std::string app = parent / "App\\";
        for (const char* folder : {"App", "App\\empty", "App\\full", "elsewhere"})
            CreateDirectoryA((parent / folder).c_str(), nullptr);
        for (const char* file : {"App\\a.txt", "App\\full\\c.txt", "outside.txt"})
            WriteWholeFile(parent / file, "x");
        WriteWholeFile(app + "uninstall.dat", std::string("<uninstall><app-name>Kx</app-name>") + c.command +
                                                  "</uninstall>");
        CMessageBoxRecorder boxes(IDYES);
        CSinReader uninstaller;
        uninstaller.UninstallFromScript((app + "uninstall.dat").c_str());
        // A refused command fails the run; kept and missing things don't.
        EXPECT_EQ(c.told ? CSinReader::RunFailed : CSinReader::RunDone, uninstaller.GetRunResult()) << c.what;
        EXPECT_EQ(c.remains, Exists(app + c.target)) << c.what;
        // The question alone; what was refused, or kept full, listed for the end.
        ASSERT_EQ(1u, boxes.Shown().size()) << c.what;
        CSmallString left;
        EXPECT_TRUE(uninstaller.WasRemoved(left)) << c.what;
        const std::string told = left.GetText();
        if (c.told)
            EXPECT_NE(std::string::npos, told.find(c.told)) << c.what << "\n" << told;
        else if (c.kept)
            EXPECT_NE(std::string::npos, told.find(std::string("kept because they hold files the installation did not "
                                                               "create, such as your own:\n- ") + parent / c.kept))
                << c.what << "\n" << told;
        else
            EXPECT_EQ("", told) << c.what;
        EXPECT_TRUE(Exists(parent / "outside.txt")) << c.what;
    }
}

namespace {
// Stands for any code an installation calls that fails unexpectedly.
struct CThrowingProgress : CSinProgressABC
{
    bool bBadAlloc;
    explicit CThrowingProgress(bool badAlloc) : bBadAlloc(badAlloc) {}
    bool OnItemExecuted(unsigned index) override
    {
        if (index == 2 && bBadAlloc)
            throw std::bad_alloc();
        if (index == 2)
            throw new CExtraInfoException(CBaseException::InternalError, "injected fault");
        return true;
    }
};
} // namespace

// Both kinds of exception end an installation the same way: told, with
// their reason, and everything undone.
TEST(Safety, AnUnexpectedExceptionIsToldAndUndone)
{
    for (bool badAlloc : {false, true}) {
        CTestFolder dir;
        ReaderPtr reader(MakeReader("<install><file id=\"0\" name=\"a.txt\" dest=\"%APP%sub\"/>"
                                    "<file id=\"0\" name=\"b.txt\" dest=\"%APP%\"/>"
                                    "<file id=\"0\" name=\"c.txt\" dest=\"%APP%\"/></install>",
                                    {"x"}));
        CMessageBoxRecorder boxes;
        CThrowingProgress progress(badAlloc);
        EXPECT_FALSE(reader->Install(dir.Path().c_str(), &progress));
        EXPECT_EQ(CSinReader::RunFailed, reader->GetRunResult());
        EXPECT_EQ(3, reader->GetExitCode());
        ASSERT_EQ(1u, boxes.Shown().size());
        EXPECT_EQ("Setup stopped because of an unexpected error:\n" +
                      std::string(badAlloc ? "out of memory" : "injected fault") +
                      "\n\nEverything it had done was undone.",
                  boxes.Shown()[0].text);
        EXPECT_FALSE(Exists(dir / "sub"));
        EXPECT_FALSE(Exists(dir / "b.txt"));
    }
}

// The uninstaller's boundary: both kinds of exception are told with their
// reason and end the run as failed, with what was removed before them gone.
TEST(Safety, AnUnexpectedExceptionInTheUninstallIsTold)
{
    for (bool badAlloc : {false, true}) {
        CTestFolder dir;
        for (const char* file : {"a.txt", "b.txt", "c.txt"})
            WriteWholeFile(dir / file, "x");
        WriteWholeFile(dir / "uninstall.dat", "<uninstall><app-name>Kx</app-name>"
                                              "<remove-file path=\"%APP%a.txt\"/><remove-file path=\"%APP%b.txt\"/>"
                                              "</uninstall>");
        CMessageBoxRecorder boxes;
        CThrowingProgress progress(badAlloc);
        CSinReader uninstaller;
        uninstaller.UninstallFromScript((dir / "uninstall.dat").c_str(), false, &progress);
        EXPECT_EQ(CSinReader::RunFailed, uninstaller.GetRunResult());
        EXPECT_EQ(3, uninstaller.GetExitCode());
        ASSERT_EQ(1u, boxes.Shown().size());
        EXPECT_EQ("Uninstalling stopped because of an unexpected error:\n" +
                      std::string(badAlloc ? "out of memory" : "injected fault") +
                      "\n\nSome items may be left; see the setup log."
                      "\n\nKx stays listed as installed: run its uninstaller again once these items are free, and it finishes the job.",
                  boxes.Shown()[0].text);
        EXPECT_TRUE(Exists(dir / "uninstall.dat"));
        // The fault came before the third element: the first went, the
        // second was never reached.
        EXPECT_FALSE(Exists(dir / "a.txt"));
        EXPECT_TRUE(Exists(dir / "b.txt"));
        EXPECT_TRUE(Exists(dir / "c.txt"));
    }
}

