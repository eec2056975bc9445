// run-command: captured output, quoting, and programs that don't start.
#include <gtest/gtest.h>

#include <memory>

#include "EngineTestKit.h"
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
}
