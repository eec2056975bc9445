// What holds files in a folder: the held-file check over the ways a file
// can be open, and a program running from the folder named, asked to
// close and started again (under Wine the Restart Manager names no one,
// so this is the process snapshot's way).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "HeldFiles.h"
#include "RunningPrograms.h"
#include "WineTestEnv.h"

namespace {

bool HasEnded(HANDLE process)
{
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

} // namespace

TEST(RunningPrograms, HeldFiles)
{
    CTestFolder dir;
    CreateDirectoryA((dir / "sub").c_str(), nullptr);
    const std::string path = dir / "sub\\data.bin";
    WriteWholeFile(path, "data");
    WriteWholeFile(dir / "free.txt", "free");
    const struct
    {
        DWORD access, share;
        bool held;
    } cases[] = {
        {GENERIC_READ, 0, true},
        {GENERIC_READ, FILE_SHARE_READ, true},
        {GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
        // Even a holder that shares everything is one: the file can't be
        // had to itself.
        {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true},
        {0, 0, false}, // not open at all
    };
    for (const auto& c : cases) {
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (c.access) {
            holder = CreateFileA(path.c_str(), c.access, c.share, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, holder);
        }
        EXPECT_EQ(c.held, IsFileHeld(path.c_str())) << c.access << " " << c.share;
        EXPECT_FALSE(IsFileHeld((dir / "free.txt").c_str()));
        // Held by no program that runs from the folder (this one is never
        // named): a held file without a holder.
        CRunningPrograms programs;
        EXPECT_EQ(c.held, programs.Find(dir.Path().c_str())) << c.access << " " << c.share;
        EXPECT_TRUE(programs.GetPrograms().IsEmpty());
        ASSERT_EQ(c.held ? 1u : 0u, programs.GetHeldFiles().GetSize());
        if (c.held) {
            EXPECT_STREQ(path.c_str(), programs.GetHeldFiles()[0]);
        }
        if (holder != INVALID_HANDLE_VALUE)
            CloseHandle(holder);
    }
    EXPECT_FALSE(IsFileHeld((dir / "missing.txt").c_str()));

    // Many files, checked two ways at once: the held ones found wherever
    // they stand, in the folder's order.
    {
        CTestFolder many;
        std::string paths[100];
        for (int i = 0; i < 100; i++) {
            paths[i] = many / ("f" + std::to_string(100 + i) + ".txt");
            WriteWholeFile(paths[i], "x");
        }
        HANDLE first = CreateFileA(paths[0].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        HANDLE odd = CreateFileA(paths[37].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        HANDLE last = CreateFileA(paths[99].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        CRunningPrograms programs;
        EXPECT_TRUE(programs.Find(many.Path().c_str()));
        ASSERT_EQ(3u, programs.GetHeldFiles().GetSize());
        EXPECT_STREQ(paths[0].c_str(), programs.GetHeldFiles()[0]);
        EXPECT_STREQ(paths[37].c_str(), programs.GetHeldFiles()[1]);
        EXPECT_STREQ(paths[99].c_str(), programs.GetHeldFiles()[2]);
        for (HANDLE h : {first, odd, last})
            CloseHandle(h);
        EXPECT_FALSE(programs.Find(many.Path().c_str()));
    }

    // Breadth first, cut at the limit.
    Container::CArray<CSmallString> files;
    bool cut = true;
    ListFilesIn(dir.Path().c_str(), 10, files, cut);
    EXPECT_FALSE(cut);
    ASSERT_EQ(2u, files.GetSize());
    EXPECT_STREQ((dir / "free.txt").c_str(), files[0]);
    ListFilesIn(dir.Path().c_str(), 1, files, cut);
    EXPECT_TRUE(cut);
    EXPECT_EQ(1u, files.GetSize());
}

TEST(RunningPrograms, AProgramOfTheFolderIsNamedClosedAndStartedAgain)
{
    CTestFolder dir;
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string program = dir / "editor.exe";
    ASSERT_TRUE(CopyFileA((std::string(system) + "\\notepad.exe").c_str(), program.c_str(), TRUE));
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    std::string commandLine = "\"" + program + "\"";
    ASSERT_TRUE(CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               dir.Path().c_str(), &startup, &started));
    CloseHandle(started.hThread);
    WaitForInputIdle(started.hProcess, 10000);

    CRunningPrograms programs;
    ASSERT_TRUE(programs.Find(dir.Path().c_str()));
    ASSERT_EQ(1u, programs.GetPrograms().GetSize());
    const SRunningProgram found = programs.GetPrograms()[0];
    EXPECT_EQ(started.dwProcessId, found.ulProcessId);
    EXPECT_STREQ(program.c_str(), found.strPath);
    EXPECT_FALSE(found.strName.IsEmpty());
    // Its own file is known to be its: no held file without a holder.
    EXPECT_TRUE(programs.GetHeldFiles().IsEmpty());

    // Asked, not forced: its window closes it.
    EXPECT_TRUE(programs.Close());
    EXPECT_TRUE(HasEnded(started.hProcess));
    CloseHandle(started.hProcess);
    ASSERT_EQ(1u, programs.GetClosed().GetSize());
    EXPECT_FALSE(programs.Find(dir.Path().c_str()));

    EXPECT_EQ(1u, programs.Restart());
    EXPECT_TRUE(programs.GetNotRestarted().IsEmpty());
    EXPECT_TRUE(programs.GetClosed().IsEmpty());
    // Started again from its own file; found, and closed again.
    bool again = false;
    for (int i = 0; i < 100 && !again; i++) {
        again = programs.Find(dir.Path().c_str()) && programs.GetPrograms().GetSize() == 1;
        if (!again)
            Sleep(50);
    }
    ASSERT_TRUE(again);
    EXPECT_STREQ(program.c_str(), programs.GetPrograms()[0].strPath);
    // Its window is there once it waits for input.
    HANDLE restarted =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, programs.GetPrograms()[0].ulProcessId);
    if (restarted)
        WaitForInputIdle(restarted, 10000);
    EXPECT_TRUE(programs.Close());
    if (restarted) {
        EXPECT_TRUE(HasEnded(restarted));
        CloseHandle(restarted);
    }
}

TEST(RunningPrograms, ExcludedProcessesAreNeitherNamedNorBlamed)
{
    CTestFolder dir;
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string program = dir / "waiting.exe";
    ASSERT_TRUE(CopyFileA((std::string(system) + "\\notepad.exe").c_str(), program.c_str(), TRUE));
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    std::string commandLine = "\"" + program + "\"";
    ASSERT_TRUE(CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               dir.Path().c_str(), &startup, &started));
    CloseHandle(started.hThread);
    WaitForInputIdle(started.hProcess, 10000);

    // The uninstaller's launcher runs from the folder and holds its file.
    CRunningPrograms programs;
    programs.Exclude(started.dwProcessId);
    EXPECT_FALSE(programs.Find(dir.Path().c_str()));
    EXPECT_TRUE(programs.GetHeldFiles().IsEmpty());
    EXPECT_TRUE(programs.Close());
    EXPECT_FALSE(HasEnded(started.hProcess));

    CRunningPrograms other;
    ASSERT_TRUE(other.Find(dir.Path().c_str()));
    EXPECT_TRUE(other.Close());
    EXPECT_TRUE(HasEnded(started.hProcess));
    CloseHandle(started.hProcess);
}
