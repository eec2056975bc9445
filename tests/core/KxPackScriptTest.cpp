// Scripts that name their own files, and the script check that guards a
// build against typos and dangling item numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "KxPackRun.h"
#include "ScriptCheck.h"
#include "SinReader.h"
#include "TestFiles.h"
#include "XMLDocument.h"

#ifdef _WIN32
#include <direct.h>
#define MakeDir(p) _mkdir(p)
#else
#define MakeDir(p) mkdir(p, 0700)
#endif

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
        std::vector<std::string> args = {"build", "--stub", dir.File("stub.exe"), "--script", dir.File("setup.xml"),
                                         "-o", dir.File("setup.exe")};
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

    CTempDir dir;
};

const char kUninstallSettings[] =
    "<uninstall-display-name>App</uninstall-display-name><uninstaller src=\"uninstall.xml\"/>";

} // namespace

TEST_F(KxPackScriptTest, SourcesBecomeItemsAfterTheGivenOnes)
{
    const KxPackResult r = Build(std::string("<install><terms src=\"terms.txt\"/><logo src=\"logo.bmp\"/>") +
                                     kUninstallSettings +
                                     "<file src=\"first.bin\" dest=\"%APP%\"/>"
                                     "<file src=\"terms.txt\" name=\"LICENSE\" dest=\"%APP%\\doc\"/>"
                                     "<register-dll text=\"%APP%\\com.dll\"/>"
                                     "<broadcast-message text=\"KxRefresh\"/></install>",
                                 {"--item", dir.File("first.bin")});
    ASSERT_EQ(0, r.code) << r.err;
    const Package p = ReadPackage(dir.File("setup.exe"));
    const std::vector<std::string> want = {
        "terms id=1",
        "logo id=2",
        "uninstall-display-name",
        "uninstaller id=3",
        "file dest=%APP% id=4 name=first.bin",
        "file dest=%APP%\\doc id=5 name=LICENSE",
        "register-dll id=6",
        "broadcast-message id=7",
    };
    EXPECT_EQ(want, Elements(p.script)) << p.script;
    const std::vector<std::string> items = {"given with --item", "terms text", "BM logo",
                                            "<uninstall><remove-folder path=\"%APP%\"/></uninstall>",
                                            "given with --item", "terms text", "%APP%\\com.dll", "KxRefresh"};
    EXPECT_EQ(items, p.items);
}

TEST_F(KxPackScriptTest, FolderExpandsToSortedFilesKeepingSubFolders)
{
    MakeDir(dir.File("app").c_str());
    MakeDir(dir.File("app/sub").c_str());
    MakeDir(dir.File("app/sub/deep").c_str());
    MakeDir(dir.File("app/empty").c_str());
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
    MakeDir(dir.File("app-folder").c_str());
    for (const auto& c : cases) {
        const KxPackResult r = Build(std::string("<install>") + kUninstallSettings + c.element + "</install>");
        EXPECT_EQ(1, r.code) << c.element;
        EXPECT_NE(std::string::npos, r.err.find(c.expect)) << r.err;
        EXPECT_FALSE(PathExists(dir.File("setup.exe"))) << c.element;
    }
}

TEST_F(KxPackScriptTest, CheckReportsWhereAndHowBad)
{
    const std::string ok = std::string("<install>") + kUninstallSettings;
    const struct
    {
        std::string script;
        int code;
        const char* expect; // null: no message at all
    } cases[] = {
        {ok + "<app-name>A</app-name></install>", 0, nullptr},
        {ok + "<flie id=\"0\"/></install>", 1, "error: element 3 <flie> is not a command: did you mean <file>?"},
        {ok + "<reg-kye/></install>", 1, "did you mean <reg-key>?"},
        {ok + "<FILE id=\"0\" name=\"x\" dest=\"%APP%\"/></install>", 0, nullptr}, // commands ignore case
        {ok + "<app-nmae>A</app-nmae></install>", 0, "warning: element 3 <app-nmae> is not a known setting: did you mean <app-name>?"},
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
    for (const auto& c : cases) {
        const KxPackResult r = Check(c.script);
        EXPECT_EQ(c.code, r.code) << c.script << "\n" << r.err;
        if (c.expect)
            EXPECT_NE(std::string::npos, r.err.find(c.expect)) << c.script << "\n" << r.err;
        else
            EXPECT_TRUE(r.err.empty()) << r.err;
    }

    // Warnings alone let a build through; errors stop it.
    EXPECT_EQ(0, Build("<install><app-name>A</app-name></install>").code);
    EXPECT_TRUE(PathExists(dir.File("setup.exe")));
    remove(dir.File("setup.exe").c_str());
    EXPECT_EQ(1, Build("<install><flie/></install>").code);
    EXPECT_FALSE(PathExists(dir.File("setup.exe")));
}

TEST(KxPackScript, EditDistance)
{
    const struct
    {
        const char *a, *b;
        unsigned d;
    } cases[] = {{"file", "file", 0}, {"flie", "file", 2}, {"fil", "file", 1},   {"FILE", "file", 0},
                 {"", "abc", 3},      {"abc", "", 3},      {"reg-kye", "reg-key", 2}, {"shortcut", "shortcuts", 1}};
    for (const auto& c : cases)
        EXPECT_EQ(c.d, EditDistance(c.a, c.b)) << c.a << " / " << c.b;
}
