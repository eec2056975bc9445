// The crash report written for a made-up fault, and the frame walk.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "AppGlobals.h"
#include "CrashHandler.h"
#include "CrashReport.h"
#include "StackWalk.h"
#include "WineTestEnv.h"

// x86 registers and frames: the 64-bit build (for machines that run no
// 32-bit programs) leaves these to the product's 32-bit one.
#ifndef _WIN64

// Code addresses of this program for the made-up return addresses; the
// bodies differ so that no two are folded into one.
static int __attribute__((noipa)) FirstCaller()
{
    return 1;
}
static int __attribute__((noipa)) SecondCaller()
{
    return 22;
}
static int __attribute__((noipa)) ThirdCaller()
{
    return 333;
}

static DWORD Address(const void* p)
{
    return (DWORD)(ULONG_PTR)p;
}
static DWORD CodeAddress(int (*f)())
{
    return (DWORD)(ULONG_PTR)f;
}

TEST(StackWalk, FollowsTheFrameChainAndStopsAtAnythingSuspicious)
{
    // Three frames up the stack; the last one points back down.
    DWORD stack[16] = {0};
    stack[0] = Address(&stack[4]);
    stack[1] = CodeAddress(FirstCaller);
    stack[4] = Address(&stack[8]);
    stack[5] = CodeAddress(SecondCaller);
    stack[8] = Address(&stack[2]);
    stack[9] = CodeAddress(ThirdCaller);

    DWORD found[8];
    ASSERT_EQ(4u, WalkFrames(0x1234, Address(stack), found, 8));
    EXPECT_EQ(0x1234u, found[0]);
    EXPECT_EQ(CodeAddress(FirstCaller), found[1]);
    EXPECT_EQ(CodeAddress(SecondCaller), found[2]);
    EXPECT_EQ(CodeAddress(ThirdCaller), found[3]);

    // The buffer limits the walk.
    EXPECT_EQ(2u, WalkFrames(0x1234, Address(stack), found, 2));
    EXPECT_EQ(0u, WalkFrames(0x1234, Address(stack), found, 0));

    // A frame that links to itself ends the walk after its return address.
    DWORD loop[2] = {0, CodeAddress(FirstCaller)};
    loop[0] = Address(loop);
    EXPECT_EQ(2u, WalkFrames(0x1234, Address(loop), found, 8));

    // Frames that can't be read are never touched.
    const DWORD bad[] = {0, 0x10, 0xFFFFFFF0, Address(stack) + 2};
    for (const DWORD ebp : bad) {
        EXPECT_EQ(1u, WalkFrames(0x1234, ebp, found, 8)) << std::hex << ebp;
        EXPECT_EQ(0x1234u, found[0]);
    }
    void* reserved = VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(nullptr, reserved);
    EXPECT_EQ(1u, WalkFrames(0x1234, Address(reserved), found, 8));
    VirtualFree(reserved, 0, MEM_RELEASE);

    // A zero return address is the chain's end.
    DWORD end[2] = {0, 0};
    EXPECT_EQ(1u, WalkFrames(0x1234, Address(end), found, 8));
}

TEST(StackWalk, KnowsReadableMemoryAndCode)
{
    DWORD local = 0;
    EXPECT_TRUE(IsReadableMemory(Address(&local), sizeof(local)));
    EXPECT_FALSE(IsReadableMemory(0, 4));
    EXPECT_FALSE(IsReadableMemory(0x10, 4));
    EXPECT_FALSE(IsReadableMemory(0xFFFFFFFE, 4)); // wraps around

    char* pages = static_cast<char*>(VirtualAlloc(nullptr, 8192, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(nullptr, pages);
    DWORD old;
    ASSERT_TRUE(VirtualProtect(pages + 4096, 4096, PAGE_NOACCESS, &old));
    EXPECT_TRUE(IsReadableMemory(Address(pages + 4092), 4));
    EXPECT_FALSE(IsReadableMemory(Address(pages + 4094), 4)); // runs into the locked page
    ASSERT_TRUE(VirtualProtect(pages + 4096, 4096, PAGE_READONLY | PAGE_GUARD, &old));
    EXPECT_FALSE(IsReadableMemory(Address(pages + 4096), 4));
    VirtualFree(pages, 0, MEM_RELEASE);

    EXPECT_TRUE(IsCodeAddress(CodeAddress(FirstCaller)));
    EXPECT_TRUE(IsCodeAddress(Address(reinterpret_cast<const void*>(&GetTickCount))));
    EXPECT_FALSE(IsCodeAddress(Address(&local)));
    EXPECT_FALSE(IsCodeAddress(0));
}

// A made-up access violation: registers with recognisable values and a
// stack of two frames.
struct CSyntheticFault
{
    EXCEPTION_RECORD record;
    CONTEXT context;
    EXCEPTION_POINTERS pointers;
    DWORD stack[64];

    CSyntheticFault()
    {
        ZeroMemory(this, sizeof(*this));
        stack[0] = Address(&stack[8]);
        stack[1] = CodeAddress(FirstCaller);
        stack[8] = 0;
        stack[9] = CodeAddress(SecondCaller);
        stack[20] = CodeAddress(ThirdCaller); // found only by the scan
        record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
        record.ExceptionAddress = reinterpret_cast<void*>(ThirdCaller);
        record.NumberParameters = 2;
        record.ExceptionInformation[0] = 1;
        record.ExceptionInformation[1] = 0xBADF00D;
        context.ContextFlags = CONTEXT_FULL;
        context.Eax = 0xDEADBEEF;
        context.Ebx = 0x01020304;
        context.Ecx = 0xC;
        context.Edx = 0xD;
        context.Esi = 0x51;
        context.Edi = 0xD1;
        context.Ebp = Address(stack);
        context.Esp = Address(stack);
        context.Eip = CodeAddress(ThirdCaller);
        context.EFlags = 0x246;
        context.SegCs = 0x23;
        context.SegSs = 0x2B;
        pointers.ExceptionRecord = &record;
        pointers.ContextRecord = &context;
    }
};

static std::string Hex8(DWORD value)
{
    char text[16];
    wsprintfA(text, "%08lX", value);
    return text;
}

// Each text of expected must occur, in this order.
static void ExpectInOrder(const std::string& report, std::initializer_list<std::string> expected)
{
    size_t at = 0;
    for (const std::string& text : expected) {
        const size_t found = report.find(text, at);
        ASSERT_NE(std::string::npos, found) << "missing or out of order: " << text << "\n" << report;
        at = found + text.size();
    }
}

// WriteCrashReport at path, which becomes the name written.
static bool WriteReport(std::string& path, const EXCEPTION_POINTERS* info, const char* version, const char* url)
{
    char buffer[MAX_PATH + 32];
    lstrcpynA(buffer, path.c_str(), sizeof(buffer));
    const bool written = WriteCrashReport(buffer, sizeof(buffer), info, version, url);
    path = buffer;
    return written;
}

TEST(CrashReport, DescribesTheFaultTheRegistersAndTheStack)
{
    CTestFolder folder;
    std::string path = folder / "ZB-Crash.html";
    CSyntheticFault fault;
    ASSERT_TRUE(WriteReport(path, &fault.pointers, "Windows version 6.1 (7601) <SP1> & more",
                            "https://support.example/crash?a=1&b=2"));
    EXPECT_EQ(folder / "ZB-Crash.html", path);
    const std::string report = ReadWholeFile(path);

    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string moduleName = module;
    moduleName = moduleName.substr(moduleName.find_last_of("\\/") + 1);

    ExpectInOrder(report, {"<form method=\"post\" action=\"https://support.example/crash?a=1&amp;b=2\">",
                           "<textarea name=\"report\"",
                           "Program: " + std::string(module),
                           "System: Windows version 6.1 (7601) &lt;SP1&gt; &amp; more",
                           "[Fault]",
                           "Exception: 0xC0000005 EXCEPTION_ACCESS_VIOLATION",
                           "Address: 0x" + Hex8(CodeAddress(ThirdCaller)) + " " + module + "+0x",
                           "Access: write to 0x0BADF00D",
                           "[Registers]",
                           "EAX=DEADBEEF EBX=01020304 ECX=0000000C EDX=0000000D",
                           "ESI=00000051 EDI=000000D1 EBP=" + Hex8(Address(fault.stack)),
                           "EIP=" + Hex8(CodeAddress(ThirdCaller)) + " EFLAGS=00000246",
                           "CS=0023",
                           "SS=002B",
                           "[Stack: frames]",
                           "#0 0x" + Hex8(CodeAddress(ThirdCaller)) + " " + moduleName + "+0x",
                           "#1 0x" + Hex8(CodeAddress(FirstCaller)) + " " + moduleName + "+0x",
                           "#2 0x" + Hex8(CodeAddress(SecondCaller)) + " " + moduleName + "+0x",
                           "[Stack: code addresses from ESP]",
                           "ESP+0x0004 0x" + Hex8(CodeAddress(FirstCaller)),
                           "ESP+0x0024 0x" + Hex8(CodeAddress(SecondCaller)),
                           "ESP+0x0050 0x" + Hex8(CodeAddress(ThirdCaller)),
                           "[Stack: memory at ESP]",
                           "0x" + Hex8(Address(fault.stack)) + ": " + Hex8(fault.stack[0]) + " " + Hex8(fault.stack[1]),
                           "</textarea>",
                           "<input type=\"submit\"",
                           "</html>"});
    EXPECT_EQ(std::string::npos, report.find("#3 ")) << report;
    // The raw version text never reaches the page unescaped.
    EXPECT_EQ(std::string::npos, report.find("<SP1>"));
}

TEST(CrashReport, CopesWithMissingPartsAndOtherFaults)
{
    CTestFolder folder;
    std::string path = folder / "report.html";

    // Without a support address: the report, and no form to send it with.
    ASSERT_TRUE(WriteReport(path, nullptr, nullptr, nullptr));
    ExpectInOrder(ReadWholeFile(path), {"give it to the publisher", "System: unknown", "[Fault]",
                                        "No exception record.", "[Registers]", "No context.", "[Stack: frames]",
                                        "No context.", "</html>"});
    EXPECT_EQ(std::string::npos, ReadWholeFile(path).find("<form"));

    CSyntheticFault fault;
    fault.record.ExceptionCode = 0xE0001234;
    fault.record.NumberParameters = 0;
    fault.record.ExceptionAddress = nullptr;
    fault.context.Esp = 0x10; // no readable stack
    fault.context.Ebp = 0x10;
    path = folder / "other.html";
    ASSERT_TRUE(WriteReport(path, &fault.pointers, "v", ""));
    const std::string report = ReadWholeFile(path);
    ExpectInOrder(report, {"Exception: 0xE0001234 unknown exception", "Address: 0x00000000 ?", "[Stack: frames]",
                           "#0 0x", "[Stack: memory at ESP]", "(unreadable)", "</html>"});
    EXPECT_EQ(std::string::npos, report.find("Access:"));
    EXPECT_EQ(std::string::npos, report.find("#1 "));

    path = folder / "no-such-folder\\x.html";
    EXPECT_FALSE(WriteReport(path, &fault.pointers, "v", ""));
}

TEST(CrashReport, NeverWritesOverAnExistingName)
{
    CTestFolder folder;
    WriteWholeFile(folder / "ZB-Crash.html", "someone else's");
    CreateDirectoryA((folder / "ZB-Crash-1.html").c_str(), nullptr);
    WriteWholeFile(folder / "notes", "mine");
    const struct
    {
        const char* name;
        const char* written;
    } cases[] = {
        {"ZB-Crash.html", "ZB-Crash-2.html"}, // a file, then a folder in the way
        {"ZB-Crash.html", "ZB-Crash-3.html"}, // and the report written before
        {"notes", "notes-1"},
        {"new.html", "new.html"},
    };
    CSyntheticFault fault;
    for (const auto& c : cases) {
        std::string path = folder / c.name;
        ASSERT_TRUE(WriteReport(path, &fault.pointers, "v", "")) << c.name;
        EXPECT_EQ(folder / c.written, path) << c.name;
        EXPECT_NE(std::string::npos, ReadWholeFile(path).find("[Fault]")) << c.name;
    }
    EXPECT_EQ("someone else's", ReadWholeFile(folder / "ZB-Crash.html"));
    EXPECT_EQ("mine", ReadWholeFile(folder / "notes"));

    // Every numbered name taken as well: no report rather than one over another file.
    for (int n = 1; n < 100; n++)
        WriteWholeFile(folder / ("full-" + std::to_string(n) + ".html"), "x");
    WriteWholeFile(folder / "full.html", "x");
    std::string path = folder / "full.html";
    EXPECT_FALSE(WriteReport(path, &fault.pointers, "v", ""));
    EXPECT_EQ("x", ReadWholeFile(folder / "full-99.html"));
}

TEST(CrashHandler, ReportsWithTheVersionKnownWhenItWasInstalled)
{
    EXPECT_EQ(0, SetCrashHandlerFilter(nullptr));

    const LPTOP_LEVEL_EXCEPTION_FILTER before = SetUnhandledExceptionFilter(nullptr);
    SetUnhandledExceptionFilter(before);
    CSmallString version("Windows version 9.8 (7654) test");
    SetCrashSystemText(version);
    ASSERT_EQ(1, SetCrashHandlerFilter(DebugCrashHandler));
    const LPTOP_LEVEL_EXCEPTION_FILTER installed = SetUnhandledExceptionFilter(before);
    EXPECT_NE(nullptr, installed);
    EXPECT_NE(before, installed);

    // Changes after installation don't reach a report written from a crash.
    version = "changed later";
    // The usual name taken (by an earlier report, or a file of the user's):
    // the report goes beside it.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string usual = std::string(temp) + "ZB-Crash.html";
    const bool made = GetFileAttributesA(usual.c_str()) == INVALID_FILE_ATTRIBUTES;
    if (made)
        WriteWholeFile(usual, "someone else's");
    const std::string theirs = ReadWholeFile(usual);
    CSyntheticFault fault;
    SetCrashQuiet(true); // no message box to wait on
    EXPECT_EQ(EXCEPTION_EXECUTE_HANDLER, DebugCrashHandler(&fault.pointers));
    SetCrashQuiet(false);
    const std::string path = GetCrashReportPath();
    EXPECT_EQ(std::string(temp) + "ZB-Crash-", path.substr(0, strlen(temp) + 9));
    EXPECT_EQ(".html", path.substr(path.size() - 5));
    EXPECT_EQ(theirs, ReadWholeFile(usual));
    const std::string report = ReadWholeFile(path);
    DeleteFileA(path.c_str());
    if (made)
        DeleteFileA(usual.c_str());
    EXPECT_NE(std::string::npos, report.find("System: Windows version 9.8 (7654) test")) << report;
    EXPECT_NE(std::string::npos, report.find("EXCEPTION_ACCESS_VIOLATION"));
}

#endif // _WIN64
