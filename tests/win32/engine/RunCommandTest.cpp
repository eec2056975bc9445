// run-command: captured output, quoting, and programs that don't start.
#include <gtest/gtest.h>

#include <memory>

#include "EngineTestKit.h"
#include "SinProgress.h"
#include "WineTestEnv.h"

namespace {

std::string Cmd()
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\cmd.exe";
}

void RunScript(const std::string& body, const std::string& app)
{
    std::unique_ptr<CSinReader> reader(MakeReader("<install>" + body + "</install>", {"later"}));
    EXPECT_TRUE(reader->Install(app.c_str(), nullptr));
}

} // namespace

TEST(RunCommand, CapturesOutputAndRewritesQuotes)
{
    CTestFolder dir;
    CMessageBoxRecorder boxes;
    RunScript("<run-command cmd=\"" + Cmd() + "\" parameters=\"/c echo -a 'x y' \\'z\\' &amp; echo to-stderr 1&gt;&amp;2\"/>",
        dir.Path());
    const std::string log = ReadWholeFile(dir / "install.log");
    EXPECT_NE(std::string::npos, log.find("-a \"x y\" \"z\"")) << log;
    EXPECT_NE(std::string::npos, log.find("to-stderr")) << log;
    EXPECT_TRUE(boxes.Shown().empty());

    // Each run-command replaces the log of the one before.
    RunScript("<run-command cmd=\"" + Cmd() + "\" parameters=\"/c echo second\"/>", dir.Path());
    EXPECT_EQ(std::string::npos, ReadWholeFile(dir / "install.log").find("x y"));
}

TEST(RunCommand, ProgramThatDoesNotStart)
{
    CTestFolder dir;
    CMessageBoxRecorder boxes;
    RunScript("<run-command cmd=\"%APP%missing.exe\" parameters=\"-x\"/><file id=\"0\" name=\"after.txt\" dest=\"%APP%\"/>",
        dir.Path());
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ("", ReadWholeFile(dir / "install.log")); // written, empty
    EXPECT_EQ("later", ReadWholeFile(dir / "after.txt"));

    RunScript("<run-command cmd=\"%APP%missing.exe\" parameters=\"'q'\" stoponfail=\"1\"/>", dir.Path());
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(0u, boxes.Shown()[0].text.find("Failed to run process " + dir.Path() +
                                             "missing.exe with parameters \"q\" because:\n("))
        << boxes.Shown()[0].text;

    RunScript("<run-command cmd=\"\" parameters=\"x\" stoponfail=\"1\"/>", dir.Path()); // nothing to run
    EXPECT_EQ(1u, boxes.Shown().size());

    // A relative program is never looked for, not even where it lies.
    CreateDirectoryA((dir / "sub").c_str(), nullptr);
    WriteWholeFile(dir / "sub\\tool.exe", "MZ");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(dir.Path().c_str());
    RunScript("<run-command cmd=\"sub\\tool.exe\" parameters=\"x\" stoponfail=\"1\"/>", dir.Path());
    SetCurrentDirectoryA(previous);
    ASSERT_EQ(2u, boxes.Shown().size());
    EXPECT_EQ(0u, boxes.Shown()[1].text.find("Failed to run process sub\\tool.exe with parameters x because:\n"
                                             "sub\\tool.exe is not a full path"))
        << boxes.Shown()[1].text;
}

// A bare name is the system folder's program; the script's apostrophes are
// quotes, the destination's are text.
TEST(RunCommand, SystemProgramAndValuesWhole)
{
    CTestFolder dir;
    CMessageBoxRecorder boxes;
    const std::string app = dir / "Kids' Games\\";
    CreateDirectoryA(app.c_str(), nullptr);
    RunScript("<run-command cmd=\"cmd\" parameters=\"/c echo '%APP%x' %APP%\"/>", app);
    EXPECT_EQ("\"" + app + "x\" \"" + app + "\\\"\r\n", ReadWholeFile(app + "install.log"));
    EXPECT_TRUE(boxes.Shown().empty());
}

namespace {
struct CCancelAfter : CSinProgressABC
{
    unsigned uCalls = 0, uLimit;
    explicit CCancelAfter(unsigned limit) : uLimit(limit) {}
    bool OnItemExecuted(unsigned) override { return true; }
    bool OnWorking() override { return ++uCalls < uLimit; }
};
} // namespace

// A program that never ends (one showing a window, started hidden) must not
// hold the installation: its timeout stops it, and so does Cancel.
TEST(RunCommand, TimeoutAndCancelStopAProgramThatNeverEnds)
{
    const std::string forever = "<run-command cmd=\"" + Cmd() +
                                "\" parameters=\"/c for /l %%i in (1,0,2) do @rem\" timeout=\"1\" stoponfail=\"1\"/>";
    CTestFolder dir;
    CMessageBoxRecorder boxes;
    std::unique_ptr<CSinReader> reader(
        MakeReader("<install>" + forever + "<file id=\"0\" name=\"after.txt\" dest=\"%APP%\"/></install>", {"x"}));
    const DWORD start = GetTickCount();
    EXPECT_TRUE(reader->Install(dir.Path().c_str(), nullptr));
    EXPECT_LT(GetTickCount() - start, 15000u); // a bound against hanging, not a speed target
    EXPECT_EQ("x", ReadWholeFile(dir / "after.txt"));
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(0u, boxes.Shown()[0].text.find("The program " + Cmd() + " did not finish within 1 seconds"))
        << boxes.Shown()[0].text;

    // Cancel while it runs: stopped, and the installation undone.
    CCancelAfter progress(3);
    CTestFolder other;
    std::unique_ptr<CSinReader> cancelled(MakeReader("<install><file id=\"0\" name=\"before.txt\" dest=\"%APP%\"/>" +
                                                     forever + "</install>",
                                                     {"x"}));
    EXPECT_FALSE(cancelled->Install(other.Path().c_str(), &progress));
    EXPECT_EQ(CSinReader::RunCancelled, cancelled->GetRunResult());
    EXPECT_EQ("<missing>", ReadWholeFile(other / "before.txt"));
}
