// Child processes with their output captured through CSpawnedProcess.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "Exceptions.h"
#include "SpawnedProcess.h"
#include "WineTestEnv.h"

namespace {
std::string CmdPath()
{
    char folder[MAX_PATH];
    GetSystemDirectoryA(folder, MAX_PATH);
    return std::string(folder) + "\\cmd.exe";
}

// Polls the way the installer does, without its sleeps; gives up after a
// generous number of idle polls so that a broken pipe can't hang the run.
std::string Collect(CSpawnedProcess& process)
{
    std::string output;
    for (int idle = 0; idle < 6000;) {
        CSmallString chunk;
        if (process.Read(chunk)) {
            output.append(chunk.GetText(), (size_t)chunk.GetLength());
            continue;
        }
        if (process.IsFinished()) {
            CSmallString last;
            process.Read(last);
            output.append(last.GetText(), (size_t)last.GetLength());
            break;
        }
        ++idle;
        Sleep(5);
    }
    return output;
}

std::string RunCmd(CSpawnedProcess& process, const std::string& arguments, const char* folder = nullptr)
{
    const std::string cmd = CmdPath();
    const std::string commandLine = "\"" + cmd + "\" /c " + arguments;
    process.Create(cmd.c_str(), folder, commandLine.c_str(), SW_HIDE);
    return Collect(process);
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + what.size()))
        ++n;
    return n;
}
} // namespace

TEST(SpawnedProcess, CapturesOutputAndErrors)
{
    CSpawnedProcess process;
    const std::string output = RunCmd(process, "echo hello & echo oops 1>&2");
    EXPECT_NE(std::string::npos, output.find("hello")) << output;
    EXPECT_NE(std::string::npos, output.find("oops")) << output;
    EXPECT_TRUE(process.IsFinished());
    EXPECT_EQ(0u, process.GetExitCode());
}

TEST(SpawnedProcess, ReportsExitCodeAndRunsInTheGivenFolder)
{
    CTestFolder folder;
    WriteWholeFile(folder / "marker-file.txt", "x");
    CSpawnedProcess process;
    const std::string output = RunCmd(process, "dir /b & exit 7", folder.Path().c_str());
    EXPECT_NE(std::string::npos, output.find("marker-file.txt")) << output;
    EXPECT_EQ(7u, process.GetExitCode());
}

TEST(SpawnedProcess, ReadsMoreThanThePipeHolds)
{
    // 3000 lines of 32 characters plus CR LF: about 100 KB, so the child
    // blocks on a full pipe until the parent reads.
    CSpawnedProcess process;
    const std::string output = RunCmd(process, "for /L %i in (1,1,3000) do @echo line %i ........................");
    EXPECT_GT(output.size(), 65536u);
    EXPECT_EQ(3000u, Count(output, "\r\n")) << output.size() << " bytes";
    EXPECT_EQ(3000u, Count(output, "line ")) << output.size() << " bytes";
    EXPECT_NE(std::string::npos, output.find("line 1 ....")) << output.substr(0, 200);
    EXPECT_NE(std::string::npos, output.find("line 3000 ....")) << output.substr(output.size() - 200);
    EXPECT_TRUE(process.IsFinished());
}

TEST(SpawnedProcess, ThrowsWhenTheProgramCannotStart)
{
    CTestFolder folder;
    const std::string missing = folder / "no-such-program.exe";
    const char* applications[] = {missing.c_str(), "C:\\no-such-folder-kx\\x.exe"};
    for (const char* application : applications) {
        CSpawnedProcess process;
        SetLastError(0xdeadbeef);
        CBaseException* caught = nullptr;
        try {
            process.Create(application, nullptr, (std::string("\"") + application + "\" -x").c_str(), SW_HIDE);
        } catch (CBaseException* e) {
            caught = e;
        }
        ASSERT_NE(nullptr, caught) << application;
        EXPECT_NE(nullptr, dynamic_cast<CLastErrorException*>(caught)) << application;
        EXPECT_EQ(CBaseException::OpenFailed, caught->GetErrorCode()) << application;
        // The system's reason, not the sentinel.
        const std::string text = caught->GetError();
        EXPECT_TRUE(text.rfind("(2) ", 0) == 0 || text.rfind("(3) ", 0) == 0) << application << ": " << text;
        caught->Delete();

        CSmallString chunk;
        EXPECT_FALSE(process.Read(chunk)) << application;
        EXPECT_TRUE(chunk.IsEmpty()) << application;
    }
}
