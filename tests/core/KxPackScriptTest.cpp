// Scripts that name their own files, and the script check that guards a
// build against typos and dangling item numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "KxPackRun.h"
#include "PeHeaders.h"
#include "ScriptWords.h"
#include "ScriptCheck.h"
#include "ScriptPlaces.h"
#include "FileText.h"
#include "WholePackage.h"
#include "TestFiles.h"
#include "XMLDocument.h"
#include "XMLWellFormed.h"

namespace {

struct Package
{
    std::string script;
    std::vector<std::string> items;
};

Package ReadPackage(const std::string& path)
{
    Container::CArray<unsigned char> file;
    EXPECT_TRUE(ReadFileIntoArray(path.c_str(), file));
    RemoveJunkFromTheEndOfTheArray(file);
    CWholePackage reader;
    EXPECT_TRUE(reader.ExtractFromDataBlock(file)) << reader.GetLastFailure();
    Package p;
    p.script.assign(reader.GetScriptText().GetText(), reader.GetScriptText().GetLength());
    for (unsigned i = 0; i < reader.GetItems().GetSize(); i++)
        p.items.emplace_back(reinterpret_cast<const char*>(reader.GetItems()[i].GetData()),
                             reader.GetItems()[i].GetSize());
    return p;
}

// Each element of the packed install section as "name attr=value ...",
// attributes sorted, so tests do not depend on the writer's order.
std::vector<std::string> Elements(const std::string& script)
{
    std::vector<std::string> out;
    CXMLDocument* doc = CXMLDocument::LoadFromMemory(script.data(), (unsigned)script.size());
    if (!doc)
        return out;
    if (const CXMLNode* install = doc->FindNode("install")) {
        for (unsigned i = 0; i < install->GetChildCount(); i++) {
            const CXMLNode* e = install->GetChild(i);
            // The translations every installer carries: tested on their own.
            if (e->GetName() == "texts")
                continue;
            std::vector<std::string> attrs;
            const auto& map = e->GetAttributes();
            for (unsigned b = 0; b < map.GetBucketCount(); b++)
                for (const auto* a = map.GetBucket(b); a; a = a->pNext)
                    attrs.push_back(std::string(a->key.GetText()) + "=" + a->value.GetText());
            std::sort(attrs.begin(), attrs.end());
            std::string line = e->GetName().GetText();
            for (const auto& a : attrs)
                line += " " + a;
            out.push_back(line);
        }
    }
    doc->Release();
    return out;
}

class KxPackScriptTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteText(dir.File("stub.exe"), "MZ stub");
        WriteText(dir.File("terms.txt"), "terms text");
        WriteText(dir.File("uninstall.xml"), "<uninstall><remove-folder path=\"%APP%\"/></uninstall>");
        WriteText(dir.File("logo.bmp"), "BM logo");
        WriteText(dir.File("first.bin"), "given with --item");
        WriteText(dir.File("uninstall-all.xml"), "<uninstall><remove-shortcut folder=\"Desktop\" name=\"App\"/>"
                                                 "<remove-folder path=\"%APP%\"/></uninstall>");
    }

    KxPackResult Build(const std::string& script, std::vector<std::string> extra = {})
    {
        WriteText(dir.File("setup.xml"), script);
        std::vector<std::string> args = {
            "build", "--stub", dir.File("stub.exe"), "--script", dir.File("setup.xml"), "-o", dir.File("setup.exe")};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunKxPack(args);
    }

    KxPackResult Check(const std::string& script, std::vector<std::string> extra = {})
    {
        WriteText(dir.File("check.xml"), script);
        std::vector<std::string> args = {"check", dir.File("check.xml")};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunKxPack(args);
    }

    struct Case
    {
        std::string script;
        int code;
        const char* expect; // null: no message at all
    };

    template <size_t N> void CheckAll(const Case (&cases)[N])
    {
        for (const Case& c : cases) {
            const KxPackResult r = Check(c.script);
            const std::string shown = c.script.substr(0, 300);
            EXPECT_EQ(c.code, r.code) << shown << "\n" << r.err;
            if (c.expect)
                EXPECT_NE(std::string::npos, r.err.find(c.expect)) << shown << "\n" << r.err;
            else
                EXPECT_TRUE(r.err.empty()) << r.err;
        }
    }

    CTempDir dir;
};

// The headers of a Windows image and nothing else: "MZ" with e_lfanew,
// "PE\0\0", the COFF header naming machine, an optional header of magic's
// kind without data directories.
std::vector<unsigned char> PeImage(uint16_t machine, uint16_t magic)
{
    const uint16_t optional = magic == 0x20B ? 112 : 96;
    std::vector<unsigned char> image(0x40 + 4 + 20 + optional, 0);
    image[0] = 'M';
    image[1] = 'Z';
    Pe::WriteU32(&image[0x3C], 0x40);
    memcpy(&image[0x40], "PE\0\0", 4);
    Pe::WriteU16(&image[0x44], machine);
    Pe::WriteU16(&image[0x44 + 16], optional);
    Pe::WriteU16(&image[0x44 + 20], magic);
    return image;
}

const char kUninstallSettings[] =
    "<uninstall-display-name>App</uninstall-display-name><uninstaller src=\"uninstall.xml\"/>";

// What a script needs to check clean: terms, and an uninstaller that
// removes the shortcut the cases make and the application's folder.
const std::string kCheckUninstaller =
    "<uninstall-display-name>App</uninstall-display-name><uninstaller src=\"uninstall-all.xml\"/>";
const std::string kCheckSettings = "<terms>Agree.</terms>" + kCheckUninstaller;

} // namespace

TEST_F(KxPackScriptTest, SourcesBecomeItemsAfterTheGivenOnesSettingsBeforeFiles)
{
    // An installer reads its package front to back: what the wizard shows
    // at start-up comes before the files, whatever the script's order.
    const KxPackResult r =
        Build(std::string("<install><file src=\"first.bin\" dest=\"%APP%\"/><terms src=\"terms.txt\"/>") +
                  "<register-dll text=\"%APP%\\com.dll\"/><logo src=\"logo.bmp\"/>" + kUninstallSettings +
                  "<file src=\"terms.txt\" name=\"LICENSE\" dest=\"%APP%\\doc\"/>"
                  "<broadcast-message text=\"KxRefresh\"/><file id=\"0\" name=\"given.bin\" dest=\"%APP%\"/></install>",
              {"--item", dir.File("first.bin")});
    ASSERT_EQ(0, r.code) << r.err;
    const Package p = ReadPackage(dir.File("setup.exe"));
    const std::vector<std::string> want = {
        "file dest=%APP% id=6 name=first.bin",
        "terms id=1",
        "register-dll id=2",
        "logo id=3",
        "uninstall-display-name",
        "uninstaller id=4",
        "file dest=%APP%\\doc id=7 name=LICENSE",
        "broadcast-message id=5",
        "file dest=%APP% id=0 name=given.bin",
    };
    EXPECT_EQ(want, Elements(p.script)) << p.script;
    const std::vector<std::string> items = {"given with --item",
                                            "terms text",
                                            "%APP%\\com.dll",
                                            "BM logo",
                                            "<uninstall><remove-folder path=\"%APP%\"/></uninstall>",
                                            "KxRefresh",
                                            "given with --item",
                                            "terms text"};
    EXPECT_EQ(items, p.items);
}

// Files of one type (case-blind) follow each other, then by path; a dot in
// a folder's name is no type.
TEST_F(KxPackScriptTest, FolderExpandsToFilesGroupedByTypeKeepingSubFolders)
{
    MakeFolder(dir.File("app"));
    MakeFolder(dir.File("app/sub"));
    MakeFolder(dir.File("app/sub/deep"));
    MakeFolder(dir.File("app/sub/v1.2"));
    MakeFolder(dir.File("app/empty"));
    WriteText(dir.File("app/b.exe"), "B");
    WriteText(dir.File("app/a.dll"), "A");
    WriteText(dir.File("app/README"), "R");
    WriteText(dir.File("app/sub/c.txt"), "C");
    WriteText(dir.File("app/sub/e.DLL"), "E");
    WriteText(dir.File("app/sub/v1.2/notes"), "N");
    WriteText(dir.File("app/sub/deep/d.dat"), "D");
    const KxPackResult r = Build(std::string("<install>") + kUninstallSettings +
                                 "<app-name>x</app-name><file src=\"app/\" dest=\"%APP%\\bin\"/>"
                                 "<remove-folder path=\"%TEMP%\\x\"/></install>");
    ASSERT_EQ(0, r.code) << r.err;
    const Package p = ReadPackage(dir.File("setup.exe"));
    const std::vector<std::string> want = {
        "uninstall-display-name",
        "uninstaller id=0",
        "app-name",
        "file dest=%APP%\\bin id=1 name=README",
        "file dest=%APP%\\bin\\sub\\v1.2 id=2 name=notes",
        "file dest=%APP%\\bin\\sub\\deep id=3 name=d.dat",
        "file dest=%APP%\\bin id=4 name=a.dll",
        "file dest=%APP%\\bin\\sub id=5 name=e.DLL",
        "file dest=%APP%\\bin id=6 name=b.exe",
        "file dest=%APP%\\bin\\sub id=7 name=c.txt",
        "remove-folder path=%TEMP%\\x",
    };
    EXPECT_EQ(want, Elements(p.script)) << p.script;
    ASSERT_EQ(8u, p.items.size());
    EXPECT_EQ("R", p.items[1]);
    EXPECT_EQ("E", p.items[5]);
    EXPECT_EQ("C", p.items[7]);
}

TEST_F(KxPackScriptTest, ScriptsWithNumberedItemsGoInUnchanged)
{
    const std::string script = "<install>\n  <terms id=\"0\"/>\n  <!-- kept as written -->\n"
                               "  <uninstall-display-name>App</uninstall-display-name>\n"
                               "  <uninstaller id=\"1\"/>\n  <languages></languages>\n</install>\n";
    const KxPackResult r = Build(script, {"--item", dir.File("terms.txt"), "--item", dir.File("uninstall.xml")});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    const Package p = ReadPackage(dir.File("setup.exe"));
    EXPECT_EQ(script, p.script);
    EXPECT_EQ(2u, p.items.size());
}

TEST_F(KxPackScriptTest, AScriptWithoutALogGetsOneGeneratedWhereASrcLogWouldGo)
{
    const std::string body = "<install><terms src=\"terms.txt\"/><file src=\"first.bin\" dest=\"%APP%\"/>"
                             "<uninstall-display-name>App</uninstall-display-name>"
                             "<shortcut folder=\"Desktop\" name=\"App\" target=\"%APP%first.bin\"/>";
    for (const bool generated : {true, false}) {
        KxPackResult r = Build(body + (generated ? "" : "<uninstaller src=\"uninstall.xml\"/>") + "</install>");
        ASSERT_EQ(0, r.code) << r.err;
        EXPECT_EQ(generated,
                  r.out.find("uninstall log: generated from the install script as item 1") != std::string::npos)
            << r.out;
        const Package p = ReadPackage(dir.File("setup.exe"));
        const std::vector<std::string> want = {
            "terms id=0",
            "file dest=%APP% id=2 name=first.bin",
            "uninstall-display-name",
            "shortcut folder=Desktop name=App target=%APP%first.bin",
            generated ? "uninstaller generated=yes id=1" : "uninstaller id=1",
        };
        EXPECT_EQ(want, Elements(p.script)) << p.script;
        ASSERT_EQ(3u, p.items.size());
        if (generated) {
            EXPECT_NE(std::string::npos, p.items[1].find("<remove-shortcut folder=\"Desktop\" name=\"App\" />"));
            EXPECT_NE(std::string::npos, p.items[1].find("<remove-file path=\"%APP%first.bin\" />"));
        } else {
            EXPECT_EQ("<uninstall><remove-folder path=\"%APP%\"/></uninstall>", p.items[1]);
        }

        r = RunKxPack({"list", dir.File("setup.exe")});
        EXPECT_NE(std::string::npos, r.out.find(generated ? "uninstall log: item 1, generated from the install script"
                                                          : "uninstall log: item 1\n"))
            << r.out;
        const std::string out = dir.File(generated ? "generated" : "given");
        r = RunKxPack({"extract", dir.File("setup.exe"), "-o", out});
        ASSERT_EQ(0, r.code) << r.err;
        const std::vector<unsigned char> log(p.items[1].begin(), p.items[1].end());
        EXPECT_EQ(log, ReadBytes(out + "/uninstall.xml"));
        EXPECT_EQ(log, ReadBytes(out + "/item-1.bin"));
    }
}

TEST_F(KxPackScriptTest, SourceMistakesStopTheBuild)
{
    const struct
    {
        const char* element;
        const char* expect;
    } cases[] = {
        {"<file src=\"missing.exe\" dest=\"%APP%\"/>",
         "setup.xml:1:96: error: <file>: cannot read src \"missing.exe\""},
        {"<register-dll src=\"terms.txt\"/>", "<register-dll> takes its DLL path as text"},
        {"<broadcast-message src=\"terms.txt\"/>", "takes its message name as text"},
        {"<terms src=\"terms.txt\" id=\"0\"/>", "<terms> has both id and src"},
        {"<terms src=\"app-folder\"/>", "is a folder; only <file> takes a folder"},
    };
    MakeFolder(dir.File("app-folder"));
    for (const auto& c : cases) {
        // --force builds past the script's own errors, never past a source it can't read.
        const KxPackResult r = Build(std::string("<install>") + kUninstallSettings + c.element + "</install>");
        EXPECT_EQ(1, r.code) << c.element;
        EXPECT_NE(std::string::npos, r.err.find(c.expect)) << r.err;
        EXPECT_FALSE(PathExists(dir.File("setup.exe"))) << c.element;
    }
    const KxPackResult unreadable =
        Build(std::string("<install>") + kUninstallSettings + cases[0].element + "</install>", {"--force"});
    EXPECT_EQ(1, unreadable.code);
    EXPECT_FALSE(PathExists(dir.File("setup.exe")));

    const std::string badName = std::string("<install>") + kUninstallSettings +
                                "<file src=\"terms.txt\" name=\"..\\x\" dest=\"%APP%\"/></install>";
    EXPECT_EQ(1, Build(badName).code);
    EXPECT_FALSE(PathExists(dir.File("setup.exe")));
    const KxPackResult forced = Build(badName, {"--force"});
    EXPECT_EQ(0, forced.code) << forced.err;
    EXPECT_NE(std::string::npos, forced.err.find("built anyway (--force)")) << forced.err;
    EXPECT_TRUE(PathExists(dir.File("setup.exe")));
}

TEST_F(KxPackScriptTest, CheckReportsWhereAndHowBad)
{
    const std::string ok = "<install>" + kCheckSettings;
    const Case cases[] = {
        {ok + "<app-name>A</app-name></install>", 0, nullptr},
        {ok + "<flie id=\"0\"/></install>", 2, "error: <flie> is not a command: did you mean <file>?"},
        {ok + "<reg-kye/></install>", 2, "did you mean <reg-key>?"},
        {ok + "<FILE id=\"0\" name=\"x\" dest=\"%APP%\"/></install>", 0, nullptr}, // commands ignore case
        {ok + "<app-nmae>A</app-nmae></install>", 0,
         "warning: <app-nmae> is not a known setting: did you mean <app-name>?"},
        {ok + "<publisher-notes/></install>", 0, "warning: <publisher-notes> is neither"},
        {ok + "<file name=\"a\" dest=\"%APP%\"/></install>", 2, "<file> has no id"},
        {ok + "<register-dll/></install>", 2, "<register-dll> has no id"},
        {ok + "<file id=\"5\" name=\"a\"/></install>", 2, "<file>: id 5 is outside the item table (1 items)"},
        {ok + "<terms id=\"x1\"/></install>", 2, "id \"x1\" is not an item number"},
        {"<setup><file id=\"0\"/></setup>", 2, "there is no <install> section"},
        {"<install><app-name>A</app-name></install>", 0, "no uninstaller will be registered"},
        {"<install><uninstaller src=\"first.bin\"/><uninstall-display-name>A</uninstall-display-name></install>", 2,
         "first.bin:1:1: error: not well-formed XML: text before the root element"},
        {"<install><uninstaller>&lt;setup/&gt;</uninstaller><uninstall-display-name>A</uninstall-display-name>"
         "</install>",
         0, "has no <uninstall> section"},
    };
    CheckAll(cases);

    // Warnings alone let a build through; errors stop it.
    EXPECT_EQ(0, Build("<install><app-name>A</app-name></install>").code);
    EXPECT_TRUE(PathExists(dir.File("setup.exe")));
    remove(dir.File("setup.exe").c_str());
    EXPECT_EQ(1, Build("<install><flie/></install>").code);
    EXPECT_FALSE(PathExists(dir.File("setup.exe")));
}

TEST_F(KxPackScriptTest, CheckNamesAndTerms)
{
    const std::string shown(kTermsShownBytes, 't');
    WriteText(dir.File("terms-shown.txt"), shown);
    WriteText(dir.File("terms-long.txt"), shown + "t");
    WriteText(dir.File("remove-good.xml"), "<uninstall><remove-shortcut folder=\"Desktop\" name=\"App\"/></uninstall>");
    WriteText(dir.File("remove-bad.xml"), "<uninstall><remove-shortcut folder=\"Desktop\" name=\"App.\"/></uninstall>");
    const std::string ok = "<install>" + kCheckSettings;
    const std::string file = "<file id=\"0\" dest=\"%APP%\" ";
    const std::string uninstall = "<install><uninstall-display-name>App</uninstall-display-name>";
    const std::string target = " target=\"%windir%\\notepad.exe\"/></install>";
    const Case cases[] = {
        {ok + file + "name=\"app.exe\"/></install>", 0, nullptr},
        {ok + file + "name=\"..\\app.exe\"/></install>", 2,
         "error: <file>: name \"..\\app.exe\" is not a plain file name: the name contains a path separator"},
        {ok + file + "name=\"app&#0;.exe\"/></install>", 2,
         "name \"app\\x00.exe\" is not a plain file name: the name contains a NUL"},
        {ok + file + "/></install>", 2, "<file> has no name"},
        {ok + "<scope>machine</scope><shortcut folder=\"Desktop\" name=\"App\"" + target, 0, nullptr},
        {ok + "<shortcut folder=\"Desktop\" name=\"con\"" + target, 2,
         "<shortcut>: name \"con\" is not a shortcut's name: the name is a device name"},
        // One sub-folder in the Start menu's folders; the remedy the warning
        // gives is a name the check takes.
        {ok + "<scope>machine</scope><shortcut folder=\"programs\" name=\"Vendor\\App\"" + target, 0,
         "add <remove-shortcut folder=\"Programs\" name=\"Vendor\\App\"/>"},
        {ok + "<shortcut folder=\"Common Start Menu\" name=\"Vendor\\App\"" + target, 0, "in Common Start Menu stays"},
        {ok + "<shortcut folder=\"Desktop\" name=\"Vendor\\App\"" + target, 2,
         "error: <shortcut>: name \"Vendor\\App\" is not a shortcut's name: only shortcuts in Programs and Start "
         "Menu"},
        {ok + "<shortcut folder=\"Programs\" name=\"A\\B\\App\"" + target, 2, "goes one sub-folder deep at most"},
        {ok + "<shortcut folder=\"Programs\" name=\"C:App\"" + target, 2, "holds no drive and no /"},
        {ok + "<shortcut folder=\"Programs\" name=\"Vendor\\\"" + target, 2, "the name is empty"},
        {ok + "<remove-shortcut folder=\"Desktop\" name=\"App\"/></install>", 0, nullptr},
        {ok + "<remove-shortcut folder=\"Desktop\" name=\"A?\"/></install>", 2, "<remove-shortcut>: name"},
        {uninstall + "<uninstaller src=\"remove-good.xml\"/></install>", 0, "warning: the application's folder stays"},
        {uninstall + "<uninstaller src=\"remove-bad.xml\"/></install>", 2,
         "remove-bad.xml:1:46: error: <remove-shortcut>: name \"App.\" is not a shortcut's name: the name ends with a "
         "dot"},
        {"<install>" + kCheckUninstaller + "<terms src=\"terms-shown.txt\"/></install>", 0, nullptr},
        {"<install>" + kCheckUninstaller + "<terms src=\"terms-long.txt\"/></install>", 0,
         "warning: <terms> is 131073 bytes: the wizard shows only the first part"},
        {"<install>" + kCheckUninstaller + "<terms>" + shown + "tt</terms></install>", 0,
         "warning: <terms> is 131074 bytes"},
    };
    CheckAll(cases);
}

// A script that checks clean under --strict: head on line 2, the
// uninstaller on line 4, body on line 6 from column 3.
std::string Script(const std::string& body, const std::string& head = "<terms>Agree.</terms>")
{
    return "<install>\n  " + head +
           "\n  <uninstall-display-name>App</uninstall-display-name>\n  <uninstaller src=\"log.xml\"/>\n"
           "  <file src=\"first.bin\" name=\"app.exe\" dest=\"%APP%\"/>\n  " +
           body + "\n</install>\n";
}

TEST_F(KxPackScriptTest, StrictCheckNamesPlaceAndRemedy)
{
    const std::string app = "<remove-folder path=\"%APP%\"/>";
    const std::string desktop = "<remove-shortcut folder=\"Common Desktop\" name=\"App\"/>" + app;
    const std::string shortcut = "<shortcut folder=\"Common Desktop\" name=\"App\" target=\"%APP%app.exe\"/>";
    const std::string userShortcut = "<shortcut folder=\"Desktop\" name=\"App\" target=\"%APP%app.exe\"/>";
    const std::string association = "<association extension=\".app\" progid=\"App.File\" exe=\"%APP%app.exe\"/>";
    const std::string classes = "<remove-reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\Classes\\.app\"/>";
    const std::string vendor = "<remove-reg-key section=\"HKEY_CURRENT_USER\\Software\\Vendor\"/>" + app;
    const std::string regKey = "<reg-key section=\"HKEY_CURRENT_USER\\Software\\Vendor\\App\" name=\"v\" value=\"1\"/>";
    WriteBytes(dir.File("app64.exe"), PeImage(0x8664, 0x20B));
    MakeFolder(dir.File("SysWOW64"));
    WriteBytes(dir.File("SysWOW64/app32.exe"), PeImage(0x14C, 0x10B));
    MakeFolder(dir.File("pe64"));
    WriteBytes(dir.File("pe64/arm64.dll"), PeImage(0xAA64, 0x20B));
    WriteBytes(dir.File("pe64/tool.exe"), PeImage(0x8664, 0x20B));
    const struct
    {
        std::string script;
        std::string log; // inside <uninstall>
        bool strict;
        int code;
        std::string expect; // empty: nothing printed on stderr
        const char* absent;
    } cases[] = {
        // Malformed XML.
        {Script("<file src=\"first.bin\" dest=\"%APP%bin\">"), app, true, 2,
         "check.xml:7:1: error: not well-formed XML: end tag </install> does not match <file>: close the element "
         "opened last first",
         nullptr},
        {Script("<file src=\"first.bin\" dest=\"%APP%bin\"></file>"), app, true, 0, "", nullptr},
        // An encoding other than UTF-8.
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n" + Script(""), app, true, 2,
         "check.xml:1:30: error: the XML declaration names the encoding \"windows-1252\", but scripts are read as "
         "UTF-8: save the file as UTF-8",
         nullptr},
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n" + Script(""), app, true, 0, "", nullptr},
        // %NAME% the installer doesn't replace.
        {Script("<run-command cmd=\"%APPP%tool.exe\"/>"), app, true, 2,
         "check.xml:6:16: error: <run-command>: %APPP% in cmd: no such variable: did you mean %APP%?", nullptr},
        {Script("<run-command cmd=\"%SystemRoot%\\cmd.exe\" parameters=\"/c copy &quot;%1&quot; %app%a.txt\"/>"), app,
         true, 0, "", nullptr},
        {Script("<default-path>%ProgramFiles%\\App</default-path>"), app, true, 2,
         "check.xml:6:3: error: <default-path>: %ProgramFiles%: <default-path> replaces only %PROGRAM_FILES%: write "
         "%PROGRAM_FILES%",
         nullptr},
        {Script("<default-path>%PROGRAM_FILES%App</default-path><support-url>https://x.org/caf%C3%A9</support-url>"),
         app, true, 0, "", nullptr},
        // Registry roots, in the script and in the uninstall script.
        {Script("<reg-key section=\"HKLM\\Software\\Vendor\" value=\"1\"/>"), app, true, 2,
         "check.xml:6:12: error: <reg-key>: section \"HKLM\\Software\\Vendor\" does not start with a full root name: "
         "write \"HKEY_LOCAL_MACHINE\\Software\\Vendor\"",
         nullptr},
        {Script(""), "<remove-reg-key section=\"HKCR\\.app\"/>" + app, true, 2,
         "log.xml:1:28: error: <remove-reg-key>: section \"HKCR\\.app\" does not start with a full root name: write "
         "\"HKEY_LOCAL_MACHINE\\Software\\Classes\\.app\"",
         nullptr},
        {Script(regKey), vendor, true, 0, "", nullptr},
        // Shortcut folders.
        {Script("<shortcut folder=\"Desktp\" name=\"App\" target=\"%APP%app.exe\"/>"), desktop, true, 2,
         "check.xml:6:13: error: <shortcut>: folder \"Desktp\" is not a shortcut folder: did you mean Desktop?",
         nullptr},
        {Script(shortcut), desktop, true, 0, "", nullptr},
        // Attributes no command takes; a misspelt src= is not "no id".
        {Script("<file source=\"first.bin\" dest=\"%APP%\"/>"), app, true, 2,
         "check.xml:6:9: error: <file>: unknown attribute source: did you mean src?", "no id"},
        {Script("<file SRC=\"first.bin\" dest=\"%APP%bin\"/>"), app, true, 0, "", nullptr},
        // No terms: a warning, which --strict counts.
        {Script("", "<app-name>App</app-name>"), app, true, 1,
         "check.xml:1:1: warning: there is no <terms>: the wizard would show an empty page to agree to; add <terms "
         "src=\"terms.txt\"/>",
         nullptr},
        {Script("", "<app-name>App</app-name>"), app, false, 0, "warning: there is no <terms>", nullptr},
        // Programs below %APP% that the script doesn't install.
        {Script("<launch-exe>\"%APP%ap.exe\" /x</launch-exe>"), app, true, 1,
         "check.xml:6:3: warning: <launch-exe> \"%APP%ap.exe\" is not a file the script installs: did you mean "
         "%APP%app.exe?",
         nullptr},
        {Script("<shortcut folder=\"Desktop\" name=\"App\" target=\"%APP%bin\\app.exe\"/>"), desktop, true, 1,
         "check.xml:6:41: warning: <shortcut> target \"%APP%bin\\app.exe\" is not a file the script installs: did you "
         "mean %APP%app.exe?",
         nullptr},
        {Script("<association extension=\".app\" progid=\"App.File\" exe=\"%APP%App.com\"/>"),
         classes + "<remove-reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\Classes\\App.File\"/>" + app, true, 1,
         "check.xml:6:51: warning: <association> exe \"%APP%App.com\" is not a file the script installs: add a <file> "
         "that puts it in %APP%",
         nullptr},
        {Script("<launch-exe>%APP%app.exe /x</launch-exe>"), app, true, 0, "", nullptr},
        // What the uninstall script leaves behind.
        {Script(shortcut), app, false, 0,
         "check.xml:6:3: warning: <shortcut> \"App\" in Common Desktop stays after uninstalling: the uninstall "
         "script (log.xml) never removes it; add <remove-shortcut folder=\"Common Desktop\" name=\"App\"/>",
         nullptr},
        {Script(association), classes + app, false, 0,
         "check.xml:6:3: warning: <association> key \"HKEY_LOCAL_MACHINE\\Software\\Classes\\App.File\" stays after "
         "uninstalling: the uninstall script (log.xml) never removes it; add <remove-reg-key "
         "section=\"HKEY_LOCAL_MACHINE\\Software\\Classes\\App.File\"/>",
         ".app"},
        {Script(association),
         classes + "<remove-reg-key section=\"HKEY_CURRENT_USER\\Software\\Classes\\App.File\"/>" + app, true, 0, "",
         nullptr},
        {Script(regKey), "<remove-reg-key section=\"HKEY_CURRENT_USER\\Software\"/>" + app, false, 0,
         "check.xml:6:3: warning: <reg-key> \"HKEY_CURRENT_USER\\Software\\Vendor\\App\" stays after uninstalling: the "
         "uninstall script (log.xml) never removes it; add <remove-reg-key "
         "section=\"HKEY_CURRENT_USER\\Software\\Vendor\\App\"/>",
         nullptr},
        {Script(""), "<remove-folder path=\"%APP%data\"/>", false, 0,
         "check.xml:4:3: warning: the application's folder stays after uninstalling: the uninstall script (log.xml) "
         "never removes it; add <remove-folder path=\"%APP%\"/>",
         nullptr},
        {Script(""), "<remove-folder path=\"%app%\\\"/>", true, 0, "", nullptr},
        // Removals only once empty: the folder needs its files gone, a key stays with what is below it.
        {Script(""), "<remove-folder path=\"%APP%\" if-empty=\"yes\"/>", false, 0,
         "check.xml:4:3: warning: the application's folder stays after uninstalling: the uninstall script (log.xml) "
         "removes it only once empty but never removes %APP%app.exe (and 2 more); add <remove-file "
         "path=\"%APP%app.exe\"/> for each",
         nullptr},
        {Script(""),
         "<remove-file path=\"%APP%app.exe\"/><remove-file path=\"%APP%uninstall.exe\"/>"
         "<remove-file path=\"%app%\\uninstall.dat\"/><remove-folder path=\"%APP%\" if-empty=\"yes\"/>",
         true, 0, "", nullptr},
        {Script(regKey), "<remove-reg-key section=\"HKEY_CURRENT_USER\\Software\\Vendor\" if-empty=\"yes\"/>" + app,
         false, 0, "check.xml:6:3: warning: <reg-key> \"HKEY_CURRENT_USER\\Software\\Vendor\\App\" stays after uninstalling",
         nullptr},
        // The processor the application is built for, and 64-bit programs installed as a 32-bit one.
        {Script("<architecture>amd64</architecture>"), app, true, 2,
         "check.xml:6:3: error: <architecture>: \"amd64\" is not an architecture: write x86 (a 32-bit application, "
         "the default), x64 or arm64",
         nullptr},
        {Script(""), "<architecture> ARM64\n</architecture>" + app, true, 0, "", nullptr},
        {Script("<file src=\"app64.exe\" dest=\"%APP%\"/>"), app, true, 1,
         "check.xml:6:3: warning: <file> \"" + dir.File("app64.exe") +
             "\" is a 64-bit Windows program (x64), but the application installs as 32-bit (x86, the default): on "
             "64-bit Windows its folder and keys would be the 32-bit ones (Program Files (x86), WOW6432Node); add "
             "<architecture>x64</architecture>",
         nullptr},
        {Script("<file src=\"app64.exe\" dest=\"%APP%\"/><architecture>x64</architecture>"), app, true, 0, "", nullptr},
        // A 32-bit program, from a folder of the machine that builds.
        {Script("<file src=\"SysWOW64\\app32.exe\" dest=\"%APP%\"/>"), app, true, 0, "", nullptr},
        {Script("<file src=\"pe64\" dest=\"%APP%\"/>", "<terms>Agree.</terms><architecture>x86</architecture>"), app,
         true, 1,
         "\"" + dir.File("pe64/arm64.dll") +
             "\" (and 1 more) is a 64-bit Windows program (arm64), but the application installs as 32-bit "
             "(<architecture>x86</architecture>)",
         "<architecture>x64"},
        // Who gets the shortcuts and the user's values.
        {Script(userShortcut), desktop, true, 1,
         "check.xml:6:3: warning: <shortcut> in Desktop reaches only the user who installs (nobody, when a "
         "deployment tool installs as SYSTEM): add <scope>machine</scope>",
         nullptr},
        {Script(userShortcut, "<terms>Agree.</terms><scope> Machine\n</scope>"),
         "<remove-shortcut folder=\"Desktop\" name=\"App\"/>" + app, true, 0, "", nullptr},
        {Script(regKey, "<terms>Agree.</terms><scope>machine</scope>"), vendor, true, 1,
         "check.xml:6:3: warning: <reg-key> writes HKEY_CURRENT_USER in a machine-wide installation", nullptr},
        {Script("<reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\Vendor\" name=\"v\" value=\"1\"/>",
                "<terms>Agree.</terms><scope>user</scope>"),
         app, true, 2,
         "check.xml:6:3: error: <reg-key>: a per-user installation (<scope>user</scope>) writes nothing under "
         "HKEY_LOCAL_MACHINE",
         nullptr},
        {Script("<reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\Vendor\" name=\"v\" value=\"1\"/>"
                                      "<reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\Classes\\.v\" value=\"V\"/>",
                "<terms>Agree.</terms><scope>choose</scope>"),
         "<remove-reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\Vendor\"/><remove-reg-key "
         "section=\"HKEY_LOCAL_MACHINE\\Software\\Classes\\.v\"/>" + app,
         true, 1, "check.xml:6:3: warning: <reg-key> under HKEY_LOCAL_MACHINE is written only when every user is chosen",
         "6:76"},
        {Script("", "<terms>Agree.</terms><scope>everyone</scope>"), app, true, 2,
         "check.xml:2:24: error: <scope>: \"everyone\" is not a scope: write machine", nullptr},
        // Typed registry values: each type's own text, else where and why not.
        {Script("<reg-key section=\"HKEY_CURRENT_USER\\Software\\Vendor\\App\" name=\"a\" type=\"DWORD\" "
                "value=\"0xffffffff\"/><reg-key section=\"HKEY_CURRENT_USER\\Software\\Vendor\\App\" name=\"b\" "
                "type=\"qword\" value=\"18446744073709551615\"/><reg-key section=\"HKEY_CURRENT_USER\\Software\\"
                "Vendor\\App\" name=\"c\" type=\"binary\" value=\"00 0a,FF\"/><reg-key section=\"HKEY_CURRENT_USER\\"
                "Software\\Vendor\\App\" name=\"d\" type=\"multi\" value=\"x|%APP%y\"/><reg-key "
                "section=\"HKEY_CURRENT_USER\\Software\\Vendor\\App\" name=\"e\" type=\"expand\" "
                "value=\"%SystemRoot%\\x\"/>"),
         vendor, true, 0, "", nullptr},
        {Script("<reg-key section=\"HKEY_CURRENT_USER\\Software\\Vendor\\App\" name=\"a\" type=\"word\" value=\"1\"/>"),
         vendor, true, 2,
         "check.xml:6:3: error: <reg-key>: \"word\" is not a type of registry value: write string, expand, dword", nullptr},
        {Script("<reg-key section=\"HKEY_CURRENT_USER\\Software\\Vendor\\App\" name=\"a\" type=\"dword\" "
                "value=\"4294967296\"/>"),
         vendor, true, 2, "the value \"4294967296\" can't be written: the number is larger than 32 bits hold", nullptr},
        {Script("<reg-key section=\"HKEY_CURRENT_USER\\Software\\Vendor\\App\" name=\"a\" type=\"dword\" "
                "value=\"%APP%\"/>"),
         vendor, true, 2, "'%' is not a decimal digit", nullptr},
        {Script("<reg-key section=\"HKEY_CURRENT_USER\\Software\\Vendor\\App\" name=\"a\" type=\"binary\" "
                "value=\"0a1\"/>"),
         vendor, true, 2, "binary data is written as pairs of hex digits", nullptr},
        // A prerequisite's exit codes.
        {Script("<run-command cmd=\"%APP%a.exe\" fail-on-exit=\"0, 0x0BC2\"/><run-command cmd=\"%APP%a.exe\" "
                "fail-on-exit=\"NonZero\"/>"),
         vendor, true, 0, "", nullptr},
        {Script("<run-command cmd=\"%APP%a.exe\" fail-on-exit=\"0;3010\"/>"), vendor, true, 2,
         "check.xml:6:3: error: <run-command fail-on-exit>: \"0;3010\" is not an exit code: write nonzero", nullptr},
        {Script("<run-command cmd=\"%APP%a.exe\" fail-on-exit=\" , \"/>"), vendor, true, 2,
         "<run-command fail-on-exit>: no exit code is given", nullptr},
        // The 32-bit view of 64-bit Windows written into either script's texts.
        {Script("<reg-key section=\"HKEY_CURRENT_USER\\Software\\wow6432node\\Vendor\" name=\"v\" value=\"1\"/>"),
         vendor, false, 0,
         "check.xml:6:12: warning: <reg-key>: section hard-codes WOW6432Node, part of the 32-bit view that 64-bit "
         "Windows gives 32-bit programs (32-bit Windows has none): write the key without it",
         nullptr},
        {Script(""), "<run-command cmd=\"%windir%\\SysWow64\\cmd.exe\"/>" + app, true, 1,
         "log.xml:1:25: warning: <run-command>: cmd hard-codes SysWOW64", nullptr},
        // Without an <uninstaller>, the log generated from the script leaves nothing.
        {"<install>\n  <terms>Agree.</terms>\n  <uninstall-display-name>App</uninstall-display-name>\n  <file "
         "src=\"first.bin\" name=\"app.exe\" dest=\"%APP%\"/><file src=\"first.bin\" name=\"x.dll\" "
         "dest=\"%APP%bin\\sub\"/>\n  " +
             shortcut + association + regKey + "<run-command cmd=\"%APP%app.exe\"/>\n</install>\n",
         "", true, 0, "", nullptr},
    };
    for (const auto& c : cases) {
        WriteText(dir.File("log.xml"), "<uninstall>" + c.log + "</uninstall>");
        const KxPackResult r =
            Check(c.script, c.strict ? std::vector<std::string>{"--strict"} : std::vector<std::string>{});
        EXPECT_EQ(c.code, r.code) << c.script << "\n" << r.err;
        if (c.expect.empty()) {
            EXPECT_EQ("", r.err) << c.script;
        } else {
            EXPECT_NE(std::string::npos, r.err.find(c.expect)) << c.script << "\n" << r.err;
        }
        if (c.absent) {
            EXPECT_EQ(std::string::npos, r.err.find(c.absent)) << c.script << "\n" << r.err;
        }
    }
}

TEST_F(KxPackScriptTest, HundredThousandLevelsCheckAndBuild)
{
    const size_t depth = 100000;
    std::string deep;
    for (size_t i = 0; i < depth; i++)
        deep += "<a>";
    for (size_t i = 0; i < depth; i++)
        deep += "</a>";
    // The uninstaller's src= makes the build copy and rewrite the script.
    const std::string script =
        std::string("<install>") + kUninstallSettings + "<app-name>A" + deep + "</app-name></install>";
    KxPackResult r = Check(script);
    EXPECT_EQ(0, r.code) << r.err;
    r = Build(script);
    ASSERT_EQ(0, r.code) << r.err;
    const Package p = ReadPackage(dir.File("setup.exe"));
    EXPECT_LT(p.script.size(), 200 * depth); // lines indent no deeper than a fixed cap
    CXMLDocument* doc = CXMLDocument::LoadFromMemory(p.script.data(), (unsigned)p.script.size());
    ASSERT_NE(nullptr, doc);
    size_t levels = 0;
    for (const CXMLNode* n = doc->FindNodePath("install|app-name"); n && n->GetChildCount(); n = n->GetChild(0))
        levels++;
    EXPECT_EQ(depth, levels);
    doc->Release();
}

#ifndef _WIN32
TEST_F(KxPackScriptTest, FolderWalkRefusesLoopsAndUnreadableEntries)
{
    enum EEntry
    {
        TwoLinks,
        Pipe,
        LockedFolder
    };
    const struct
    {
        const char* what;
        EEntry entry; // made in <folder>/sub
        const char* target;
        const char* expect;
    } cases[] = {
        {"links to the folder itself", TwoLinks, ".", "sub/l1/\" leads back to \""},
        {"links to the folder above", TwoLinks, "..", "sub/l1/\" leads back to \""},
        {"a link to nothing", TwoLinks, "missing.txt", "sub/l1\" is a link to nothing"},
        {"a pipe", Pipe, nullptr, "sub/pipe\" is neither a file nor a folder"},
        {"an unreadable folder", LockedFolder, nullptr, "cannot open the folder"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string name = "app" + std::to_string(n++);
        const std::string sub = dir.File(name + "/sub");
        MakeFolder(dir.File(name));
        MakeFolder(sub);
        WriteText(sub + "/file.txt", "x");
        if (c.entry == TwoLinks) {
            ASSERT_EQ(0, symlink(c.target, (sub + "/l1").c_str()));
            ASSERT_EQ(0, symlink(c.target, (sub + "/l2").c_str()));
        } else if (c.entry == Pipe) {
            ASSERT_EQ(0, mkfifo((sub + "/pipe").c_str(), 0600));
        } else if (geteuid() == 0) {
            continue; // root reads it whatever its mode
        } else {
            MakeFolder(sub + "/locked");
            ASSERT_EQ(0, chmod((sub + "/locked").c_str(), 0));
        }
        const KxPackResult r = Build(std::string("<install>") + kUninstallSettings + "<file src=\"" + name +
                                     "\" dest=\"%APP%\"/></install>");
        EXPECT_EQ(1, r.code) << c.what;
        EXPECT_NE(std::string::npos, r.err.find("<file>: ")) << c.what << ": " << r.err;
        EXPECT_NE(std::string::npos, r.err.find(c.expect)) << c.what << ": " << r.err;
        EXPECT_FALSE(PathExists(dir.File("setup.exe"))) << c.what;
        if (c.entry == LockedFolder)
            chmod((sub + "/locked").c_str(), 0700);
    }
}
#endif

TEST(KxPackScript, PlacesFollowTheReader)
{
    // Markup that holds a '<' or a '>' but is no element must not shift the
    // count, and every kind of line end counts once.
    const std::string text = "\xEF\xBB\xBF<install>\r\n<!-- \"<file>\" -->\r<a x=\">\" b='1'/><![CDATA[<c>]]>\n"
                             "<?pi \"<d>\"?><e>\n <f/>text</e>\t<g\n   y=\"2\"/></install>";
    SXMLProblem problem;
    ASSERT_TRUE(CheckXMLWellFormed(text.data(), (unsigned)text.size(), false, problem)) << problem.szMessage;
    const CScriptPlaces places(text.data(), (unsigned)text.size());
    const struct
    {
        unsigned index;
        const char* attribute; // null: the element
        unsigned line, column;
    } cases[] = {
        {0, nullptr, 3, 1}, {0, "b", 3, 10}, {0, "X", 3, 4}, {0, "z", 3, 1},
        {1, nullptr, 4, 13}, {2, nullptr, 5, 15}, {2, "y", 6, 4}, {3, nullptr, 0, 0},
    };
    EXPECT_EQ(1u, places.Root().uLine);
    EXPECT_EQ(1u, places.Root().uColumn); // after the byte-order mark
    for (const auto& c : cases) {
        const SPlace at = c.attribute ? places.Attribute(c.index, c.attribute) : places.Element(c.index);
        EXPECT_EQ(c.line, at.uLine) << c.index << " " << (c.attribute ? c.attribute : "");
        EXPECT_EQ(c.column, at.uColumn) << c.index << " " << (c.attribute ? c.attribute : "");
    }
}

TEST(KxPackScript, EditDistance)
{
    const struct
    {
        const char *a, *b;
        unsigned d;
    } cases[] = {{"file", "file", 0}, {"flie", "file", 2}, {"fil", "file", 1},        {"FILE", "file", 0},
                 {"", "abc", 3},      {"abc", "", 3},      {"reg-kye", "reg-key", 2}, {"shortcut", "shortcuts", 1}};
    for (const auto& c : cases)
        EXPECT_EQ(c.d, EditDistance(c.a, c.b)) << c.a << " / " << c.b;
}
