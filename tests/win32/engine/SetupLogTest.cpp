// The setup log writes only a file it creates or an earlier setup log:
// never over anything else that has its name, nor through a second name.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "SetupLog.h"
#include "WineTestEnv.h"

static bool IsStamped(const std::string& text, const std::string& line)
{
    return text.size() > 13 && text[2] == ':' && text[8] == '.' && text.compare(13, line.size(), line) == 0;
}

TEST(SetupLog, WritesANewFileOrAnEarlierLogOnly)
{
    CTestFolder folder;
    {
        CSetupLog log;
        log.Write("waited in memory");
        CSmallString why;
        ASSERT_EQ(LogOpened, log.Open((folder / "earlier.log").c_str(), why)) << why.GetText();
        log.Write("the first run");
    }
    const std::string first = ReadWholeFile(folder / "earlier.log");
    EXPECT_TRUE(IsStamped(first, "kxsetup setup log\r\n")) << first;
    EXPECT_NE(std::string::npos, first.find("waited in memory\r\n")) << first;
    EXPECT_LT(first.find("waited in memory"), first.find("the first run")) << first;

    WriteWholeFile(folder / "older.log", "12:00:00.000 kxsetup installer, 2020-01-01\r\nExit code 0\r\n");
    WriteWholeFile(folder / "notes.txt", "my notes");
    WriteWholeFile(folder / "short.log", "12:00:00.000 kxset");
    WriteWholeFile(folder / "empty.log", "");
    WriteWholeFile(folder / "linked.log", first);
    ASSERT_TRUE(CreateHardLinkA((folder / "second-name.log").c_str(), (folder / "linked.log").c_str(), nullptr));
    CreateDirectoryA((folder / "folder.log").c_str(), nullptr);

    const struct
    {
        const char* name;
        ELogOpen expected;
    } cases[] = {
        {"earlier.log", LogOpened}, // written over
        {"older.log", LogOpened},   // an older version's log
        {"new.log", LogOpened},          {"notes.txt", LogRefused},  {"short.log", LogRefused},
        {"empty.log", LogRefused},       {"linked.log", LogRefused}, // another name of the same file
        {"second-name.log", LogRefused}, {"folder.log", LogRefused}, {"no-such-folder\\x.log", LogFailed},
    };
    for (const auto& c : cases) {
        const std::string path = folder / c.name;
        const std::string before = c.expected == LogRefused ? ReadWholeFile(path) : std::string();
        CSmallString why;
        {
            CSetupLog log;
            EXPECT_EQ(c.expected, log.Open(path.c_str(), why)) << c.name << ": " << why.GetText();
            EXPECT_EQ(c.expected == LogOpened, log.IsOpen()) << c.name;
            log.Write("this run");
        }
        if (c.expected == LogOpened) {
            const std::string now = ReadWholeFile(path);
            EXPECT_TRUE(IsStamped(now, "kxsetup setup log\r\n")) << c.name << ": " << now;
            EXPECT_NE(std::string::npos, now.find("this run")) << c.name;
            EXPECT_EQ(std::string::npos, now.find("Exit code")) << c.name; // the earlier text is gone
            EXPECT_EQ(std::string::npos, now.find("the first run")) << c.name;
        } else {
            EXPECT_FALSE(why.IsEmpty()) << c.name;
            if (c.expected == LogRefused) {
                EXPECT_EQ(before, ReadWholeFile(path)) << c.name;
            }
        }
    }
    EXPECT_EQ(first, ReadWholeFile(folder / "second-name.log"));
}

TEST(SetupLog, TakesTheNextNameWhenOneIsTakenAndGivesUpAfterAFew)
{
    CTestFolder folder;
    WriteWholeFile(folder / "Hello-install.log", "my notes");
    {
        CSetupLog log;
        ASSERT_TRUE(log.OpenFirstFree((folder / "Hello-install").c_str()));
        EXPECT_STREQ((folder / "Hello-install-2.log").c_str(), log.GetPath());
    }
    // The next run: the earlier log is taken again.
    {
        CSetupLog log;
        ASSERT_TRUE(log.OpenFirstFree((folder / "Hello-install").c_str()));
        EXPECT_STREQ((folder / "Hello-install-2.log").c_str(), log.GetPath());
    }
    EXPECT_EQ("my notes", ReadWholeFile(folder / "Hello-install.log"));

    for (const char* name : {"x.log", "x-2.log", "x-3.log", "x-4.log", "x-5.log"})
        WriteWholeFile(folder / name, "someone else's");
    CSetupLog log;
    log.Write("kept in memory");
    EXPECT_FALSE(log.OpenFirstFree((folder / "x").c_str()));
    EXPECT_FALSE(log.IsOpen());
    for (const char* name : {"x.log", "x-2.log", "x-3.log", "x-4.log", "x-5.log"})
        EXPECT_EQ("someone else's", ReadWholeFile(folder / name)) << name;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder / "x-6.log").c_str()));
}

// A log that has to leave its place (it lay in the folder installed into)
// goes on elsewhere with every line so far; its file is gone.
TEST(SetupLog, WithdrawnLinesGoOnInTheNextFile)
{
    CTestFolder folder;
    CSetupLog log;
    CSmallString why;
    ASSERT_EQ(LogOpened, log.Open((folder / "first.log").c_str(), why)) << why.GetText();
    log.Write("before");
    ASSERT_TRUE(log.Withdraw());
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder / "first.log").c_str()));
    log.Write("between");
    ASSERT_EQ(LogOpened, log.Open((folder / "second.log").c_str(), why)) << why.GetText();
    log.Write("after");
    log.Close();
    const std::string text = ReadWholeFile(folder / "second.log");
    EXPECT_TRUE(IsStamped(text, "kxsetup setup log\r\n")) << text;
    EXPECT_EQ(text.find("kxsetup setup log"), text.rfind("kxsetup setup log")) << text;
    EXPECT_LT(text.find("before"), text.find("between")) << text;
    EXPECT_LT(text.find("between"), text.find("after")) << text;
    EXPECT_NE(std::string::npos, text.find("after")) << text;
    EXPECT_FALSE(log.Withdraw()); // nothing open
}
