// The command loop, settings and items, path translation and files.
#include <gtest/gtest.h>

#include <memory>

#include "SystemPaths.h"
#include "WinPath.h"
#include "EngineTestKit.h"
#include "Commands.h"
#include "Language.h"
#include "XMLDocument.h"
#include "resource.h"
#include "win32/ResString.h"
#include "SinProgress.h"
#include "WineTestEnv.h"

namespace {

struct CRecordingProgress : CSinProgressABC
{
    bool OnItemExecuted(unsigned int index) override
    {
        indexes.push_back(index);
        return true; // false would ask the engine to stop
    }
    std::vector<unsigned> indexes;
};

typedef std::unique_ptr<CSinReader> ReaderPtr;

} // namespace

TEST(ScriptEngine, EveryElementIsCountedAndReported)
{
    CTestFolder dir;
    ReaderPtr reader(MakeReader("<install><app-name>A</app-name><no-such-command/><file id=\"0\" name=\"a.txt\" "
                                "dest=\"%APP%\"/><FILE id=\"0\" name=\"b.txt\" dest=\"%APP%sub\"/><terms/>"
                                "<file name=\"skipped-without-id.txt\" dest=\"%APP%\"/>"
                                "<file id=\"9\" name=\"skipped-outside-table.txt\" dest=\"%APP%\"/></install>",
                                {"contents"}));
    EXPECT_EQ(7u, reader->GetInstallStepCount());
    CRecordingProgress progress;
    CMessageBoxRecorder boxes;
    EXPECT_TRUE(reader->Install(dir.Path().c_str(), &progress));
    EXPECT_EQ((std::vector<unsigned>{0, 1, 2, 3, 4, 5, 6}), progress.indexes);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ("contents", ReadWholeFile(dir / "a.txt"));
    EXPECT_EQ("contents", ReadWholeFile(dir / "sub\\b.txt")); // command names ignore case
    EXPECT_EQ("<missing>", ReadWholeFile(dir / "skipped-without-id.txt"));
    EXPECT_EQ("<missing>", ReadWholeFile(dir / "skipped-outside-table.txt"));

    // No section, or no script: nothing runs.
    ReaderPtr other(MakeReader("<setup><file id=\"0\" name=\"x\" dest=\"%APP%\"/></setup>", {"x"}));
    EXPECT_EQ(0u, other->GetInstallStepCount());
    EXPECT_FALSE(other->Install(dir.Path().c_str(), nullptr));
    CSinReader empty;
    EXPECT_EQ(0u, empty.GetInstallStepCount());
    EXPECT_FALSE(empty.Install(dir.Path().c_str(), nullptr));
}

TEST(ScriptEngine, SettingsAndItems)
{
    ReaderPtr reader(MakeReader("<install><terms id=\"1\"/><app-name>  Hello  </app-name><logo id=\"0\"/>"
                                "<bad id=\"7\">text</bad><plain>just text</plain></install>",
                                {std::string("BM\0\x01", 4), "the terms"}));
    CSmallString value("untouched");
    EXPECT_FALSE(reader->GetInstallItem("missing", value));
    EXPECT_EQ(value, "untouched");
    ASSERT_TRUE(reader->GetInstallItem("terms", value));
    EXPECT_EQ(value, "the terms");
    ASSERT_TRUE(reader->GetInstallItem("plain", value));
    EXPECT_EQ(value, "just text");
    ASSERT_TRUE(reader->GetInstallItem("bad", value)); // an id outside the table names nothing
    EXPECT_TRUE(value.IsEmpty());

    Container::CArray<unsigned char> data;
    data.Add('z');
    EXPECT_TRUE(reader->GetInstallBinaryItem("logo", data));
    ASSERT_EQ(4u, data.GetSize());
    EXPECT_EQ(0, data[2]);
    EXPECT_TRUE(reader->GetInstallBinaryItem("plain", data)); // no id: left as it was
    EXPECT_EQ(4u, data.GetSize());
    EXPECT_FALSE(reader->GetInstallBinaryItem("absent", data));
}

TEST(ScriptEngine, TranslatePath)
{
    CSinReader reader;
    SetEnvironmentVariableA("APP", "C:\\Dest\\");
    const struct
    {
        const char *in, *out;
    } cases[] = {
        {"%APP%\\install.log", "C:\\Dest\\install.log"},
        {"%APP%install.log", "C:\\Dest\\install.log"},
        {"%APP%\\sub\\\\file", "C:\\Dest\\sub\\file"},
        {"\\\\server\\share\\%APP%", "\\\\server\\share\\C:\\Dest\\"},
        {"%NO_SUCH_VARIABLE_KX%", "%NO_SUCH_VARIABLE_KX%"},
        {"", ""},
    };
    for (const auto& c : cases) {
        CSmallString path(c.in);
        reader.TranslatePath(path);
        EXPECT_EQ(path, c.out) << c.in << " gave " << path.GetText();
    }

    // Long values are expanded whole, not cut at a fixed buffer size.
    std::string longValue = "C:\\";
    while (longValue.size() < 2000)
        longValue += "very-long-folder-name\\";
    SetEnvironmentVariableA("KX_LONG", longValue.c_str());
    CSmallString path("%KX_LONG%file.txt");
    reader.TranslatePath(path);
    EXPECT_EQ(longValue + "file.txt", std::string(path.GetText()));
    SetEnvironmentVariableA("KX_LONG", nullptr);
}

TEST(ScriptEngine, PathHelpers)
{
    char out[MAX_PATH];
    const struct
    {
        const char *in, *out;
    } names[] = {{"C:\\a\\b.exe", "C:\\a\\"}, {"C:/a/b", "C:/a/"}, {"b.exe", ""}, {"", ""}, {"C:\\a\\", "C:\\a\\"}};
    for (const auto& c : names) {
        memset(out, 0x55, sizeof(out));
        WinPath::RemoveFilename(c.in, out);
        EXPECT_STREQ(c.out, out) << c.in;
    }
    for (const char* in : {"C:\\x", "C:\\x\\", ""}) {
        CSmallString path(in);
        WinPath::EndWithBackslash(path);
        EXPECT_EQ(path, *in ? "C:\\x\\" : "") << in;
    }
    const CSmallString programFiles = GetProgramFilesDirectory();
    ASSERT_GT(programFiles.GetLength(), 3);
    EXPECT_EQ('\\', programFiles.GetAt(programFiles.GetLength() - 1));
    EXPECT_EQ(nullptr, strstr(programFiles, " def")) << programFiles.GetText();
}

TEST(FileCommand, OverwritesReadOnlyFilesAndStopsOnFailure)
{
    CTestFolder dir;
    WriteWholeFile(dir / "locked.txt", "old");
    SetFileAttributesA((dir / "locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    ReaderPtr reader(MakeReader("<install><file id=\"0\" name=\"locked.txt\" dest=\"%APP%\"/></install>", {"new"}));
    CMessageBoxRecorder boxes;
    EXPECT_TRUE(reader->Install(dir.Path().c_str(), nullptr));
    EXPECT_EQ("new", ReadWholeFile(dir / "locked.txt"));
    EXPECT_TRUE(boxes.Shown().empty());

    // A file standing where a folder must go: the folder can't be made.
    WriteWholeFile(dir / "blocker", "a file, not a folder");
    ReaderPtr failing(MakeReader("<install><uninstall-display-name>KxEngineFailTest</uninstall-display-name>"
                                 "<uninstaller>&lt;uninstall/&gt;</uninstaller>"
                                 "<file id=\"0\" name=\"x.txt\" dest=\"%APP%blocker\\sub\"/>"
                                 "<file id=\"0\" name=\"after.txt\" dest=\"%APP%\"/></install>",
                                 {"data"}));
    EXPECT_FALSE(failing->Install(dir.Path().c_str(), nullptr));
    EXPECT_EQ(CSinReader::RunFailed, failing->GetRunResult());
    // One message: the folder that can't be made, and the system's reason.
    ASSERT_EQ(1u, boxes.Shown().size());
    const SShownMessage& m = boxes.Shown()[0];
    EXPECT_EQ(0u, m.text.find("Sorry, the installer was unable to write the file:\n")) << m.text;
    EXPECT_NE(std::string::npos, m.text.find(dir / "blocker\\sub\n")) << m.text;
    EXPECT_NE(std::string::npos, m.text.find("\n\nThe system's reason: (")) << m.text;
    EXPECT_EQ("Setup Error", m.caption);
    EXPECT_EQ((UINT)(MB_ICONWARNING | MB_OK), m.type);
    EXPECT_EQ("<missing>", ReadWholeFile(dir / "after.txt")); // later commands don't run
    EXPECT_EQ("<missing>", ReadWholeFile(dir / "uninstall.exe")); // and nothing is registered
    EXPECT_EQ("<missing>", RegString(HKEY_LOCAL_MACHINE,
                                     "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KxEngineFailTest",
                                     "DisplayName"));
}

// The language a run takes from a section's <texts>: the one serving the
// wanted code, in place of the English; a text whose conversions differ
// from the English (a forged package or log) is left English; an unknown
// language leaves everything English.
TEST(ScriptEngine, LanguagesReplaceTextsThatTakeTheSameArguments)
{
    const char xml[] = "<install><language>de</language>"
                       "<texts lang=\"fr\"><text id=\"5\" value=\"Fermer\"/></texts>"
                       "<texts lang=\"de\"><text id=\"5\" value=\"\\sSchlie\xC3\x9F" "en\"/>"
                       "<text id=\"17\" value=\"Ordner %s %s %n\"/>"
                       "<text id=\"54\" value=\"Diese Programme: %s\"/></texts></install>";
    const std::unique_ptr<CXMLDocument, void (*)(CXMLDocument*)> doc(
        CXMLDocument::LoadFromMemory(xml, sizeof(xml) - 1), [](CXMLDocument* d) { d->Release(); });
    ASSERT_TRUE(doc);
    CXMLNode* section = doc->FindNode("install");
    EXPECT_STREQ("de", ApplyLanguage(section, nullptr));
    EXPECT_STREQ(" Schlie\xC3\x9F" "en", GetTranslatedText(IDS_CLOSE));
    EXPECT_STREQ("Diese Programme: %s", GetTranslatedText(IDS_RESTART_QUESTION));
    EXPECT_EQ(nullptr, GetTranslatedText(IDS_BROWSE_TITLE)) << "takes %s %s %n where the English takes %s";
    EXPECT_STREQ("Fermer", ApplyLanguage(section, "fr-CA") == "fr" ? GetTranslatedText(IDS_CLOSE) : "not French");
    EXPECT_STREQ("en", ApplyLanguage(section, "sv"));
    EXPECT_EQ(nullptr, GetTranslatedText(IDS_CLOSE));
    EXPECT_FALSE(IsRunRightToLeft());
}
