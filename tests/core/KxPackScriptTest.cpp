// Scripts that name their own files, and the script check that guards a
// build against typos and dangling item numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "KxPackRun.h"
#include "ScriptCheck.h"
#include "SinReader.h"
#include "TestFiles.h"
#include "XMLDocument.h"

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
    CSinReader reader;
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

const char kUninstallSettings[] =
    "<uninstall-display-name>App</uninstall-display-name><uninstaller src=\"uninstall.xml\"/>";

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

TEST_F(KxPackScriptTest, FolderExpandsToSortedFilesKeepingSubFolders)
{
    MakeFolder(dir.File("app"));
    MakeFolder(dir.File("app/sub"));
    MakeFolder(dir.File("app/sub/deep"));
    MakeFolder(dir.File("app/empty"));
    WriteText(dir.File("app/b.exe"), "B");
    WriteText(dir.File("app/a.dll"), "A");
    WriteText(dir.File("app/sub/c.txt"), "C");
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
        "file dest=%APP%\\bin id=1 name=a.dll",
        "file dest=%APP%\\bin id=2 name=b.exe",
        "file dest=%APP%\\bin\\sub id=3 name=c.txt",
        "file dest=%APP%\\bin\\sub\\deep id=4 name=d.dat",
        "remove-folder path=%TEMP%\\x",
    };
    EXPECT_EQ(want, Elements(p.script)) << p.script;
    ASSERT_EQ(5u, p.items.size());
    EXPECT_EQ("A", p.items[1]);
    EXPECT_EQ("D", p.items[4]);
}

TEST_F(KxPackScriptTest, ScriptsWithNumberedItemsGoInUnchanged)
{
    const std::string script = "<install>\n  <terms id=\"0\"/>\n  <!-- kept as written -->\n"
                               "  <uninstall-display-name>App</uninstall-display-name>\n"
                               "  <uninstaller id=\"1\"/>\n</install>\n";
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
        {"<file src=\"missing.exe\" dest=\"%APP%\"/>", "element 3 <file>: cannot read src \"missing.exe\""},
        {"<register-dll src=\"terms.txt\"/>", "element 3 <register-dll> takes its DLL path as text"},
        {"<broadcast-message src=\"terms.txt\"/>", "takes its message name as text"},
        {"<terms src=\"terms.txt\" id=\"0\"/>", "element 3 <terms> has both id and src"},
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
    const std::string ok = std::string("<install>") + kUninstallSettings;
    const Case cases[] = {
        {ok + "<app-name>A</app-name></install>", 0, nullptr},
        {ok + "<flie id=\"0\"/></install>", 1, "error: element 3 <flie> is not a command: did you mean <file>?"},
        {ok + "<reg-kye/></install>", 1, "did you mean <reg-key>?"},
        {ok + "<FILE id=\"0\" name=\"x\" dest=\"%APP%\"/></install>", 0, nullptr}, // commands ignore case
        {ok + "<app-nmae>A</app-nmae></install>", 0,
         "warning: element 3 <app-nmae> is not a known setting: did you mean <app-name>?"},
        {ok + "<publisher-notes/></install>", 0, "warning: element 3 <publisher-notes> is neither"},
        {ok + "<file name=\"a\" dest=\"%APP%\"/></install>", 1, "element 3 <file> has no id"},
        {ok + "<register-dll/></install>", 1, "element 3 <register-dll> has no id"},
        {ok + "<file id=\"5\" name=\"a\"/></install>", 1, "element 3 <file>: id 5 is outside the item table (1 items)"},
        {ok + "<terms id=\"x1\"/></install>", 1, "id \"x1\" is not an item number"},
        {"<setup><file id=\"0\"/></setup>", 1, "there is no <install> section"},
        {"<install><app-name>A</app-name></install>", 0, "no uninstaller will be registered"},
        {"<install><uninstaller src=\"terms.txt\"/><uninstall-display-name>A</uninstall-display-name></install>", 0,
         "has no <uninstall> section"},
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
    const std::string shown(256 * 1024, 't');
    WriteText(dir.File("terms-shown.txt"), shown);
    WriteText(dir.File("terms-long.txt"), shown + "t");
    WriteText(dir.File("remove-good.xml"), "<uninstall><remove-shortcut folder=\"Desktop\" name=\"App\"/></uninstall>");
    WriteText(dir.File("remove-bad.xml"), "<uninstall><remove-shortcut folder=\"Desktop\" name=\"App.\"/></uninstall>");
    const std::string ok = std::string("<install>") + kUninstallSettings;
    const std::string file = "<file id=\"0\" dest=\"%APP%\" ";
    const std::string uninstall = "<install><uninstall-display-name>App</uninstall-display-name>";
    const Case cases[] = {
        {ok + file + "name=\"app.exe\"/></install>", 0, nullptr},
        {ok + file + "name=\"..\\app.exe\"/></install>", 1,
         "error: element 3 <file>: name \"..\\app.exe\" is not a plain file name: the name contains a path separator"},
        {ok + file + "name=\"app&#0;.exe\"/></install>", 1,
         "name \"app\\x00.exe\" is not a plain file name: the name contains a NUL"},
        {ok + file + "/></install>", 1, "element 3 <file> has no name"},
        {ok + "<shortcut folder=\"Desktop\" name=\"App\" target=\"%APP%app.exe\"/></install>", 0, nullptr},
        {ok + "<shortcut folder=\"Desktop\" name=\"con\" target=\"%APP%app.exe\"/></install>", 1,
         "element 3 <shortcut>: name \"con\" is not a plain file name: the name is a device name"},
        {ok + "<remove-shortcut folder=\"Desktop\" name=\"App\"/></install>", 0, nullptr},
        {ok + "<remove-shortcut folder=\"Desktop\" name=\"A?\"/></install>", 1, "element 3 <remove-shortcut>: name"},
        {uninstall + "<uninstaller src=\"remove-good.xml\"/></install>", 0, nullptr},
        {uninstall + "<uninstaller src=\"remove-bad.xml\"/></install>", 1,
         "error: the uninstall script (<uninstaller>), element 1 <remove-shortcut>: name \"App.\" is not a plain file "
         "name: the name ends with a dot"},
        {ok + "<terms src=\"terms-shown.txt\"/></install>", 0, nullptr},
        {ok + "<terms src=\"terms-long.txt\"/></install>", 0,
         "warning: <terms> is 262145 bytes: the wizard shows only the first part"},
        {ok + "<terms>" + shown + "tt</terms></install>", 0, "warning: <terms> is 262146 bytes"},
    };
    CheckAll(cases);
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
        EXPECT_NE(std::string::npos, r.err.find("element 3 <file>: ")) << c.what << ": " << r.err;
        EXPECT_NE(std::string::npos, r.err.find(c.expect)) << c.what << ": " << r.err;
        EXPECT_FALSE(PathExists(dir.File("setup.exe"))) << c.what;
        if (c.entry == LockedFolder)
            chmod((sub + "/locked").c_str(), 0700);
    }
}
#endif

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
