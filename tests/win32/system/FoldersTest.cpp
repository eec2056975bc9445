// Folder creation, deletion with its guard, and file presence.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Folders.h"
#include "WineTestEnv.h"

namespace {
bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return "";
    return path;
}

std::string Parent(const std::string& path)
{
    const size_t slash = path.find_last_of('\\', path.size() - 2);
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string Upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return (char)toupper((unsigned char)c); });
    return s;
}

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return (char)tolower((unsigned char)c); });
    return s;
}

std::string ProgramFilesFromRegistry()
{
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_QUERY_VALUE, &h) !=
        ERROR_SUCCESS)
        return "";
    char data[MAX_PATH];
    DWORD size = sizeof(data) - 1;
    const LONG rc = RegQueryValueExA(h, "ProgramFilesDir", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS)
        return "";
    data[size] = 0;
    return data;
}
// Under Wine, starts a host program from a Windows one: how a test makes
// the links a user's program could (Wine's CreateSymbolicLink makes none).
// Wine hands back no handle to wait on: the caller waits for the result.
bool StartHost(std::string commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
}

bool AttributesBecome(const std::string& path, DWORD wanted)
{
    for (int i = 0; i < 100 && GetFileAttributesA(path.c_str()) != wanted; i++)
        Sleep(20);
    return GetFileAttributesA(path.c_str()) == wanted;
}

// The host's name for an existing path; "" outside Wine.
std::string HostPath(const std::string& path)
{
    typedef char*(CDECL * UnixNameFn)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH];
    if (!unixName || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH))
        return "";
    char* name = unixName(wide);
    const std::string result = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

std::string HostLinkPath(const std::string& path)
{
    return HostPath(Parent(path)) + "/" + path.substr(path.rfind('\\') + 1);
}

// What a user who may write the tree does while it is being removed: the
// folder goes aside, and a link to target takes its place.
struct SSwap
{
    std::string reached; // when DeleteDirectory reaches this folder
    bool removing;       // ... to remove it, else to list it
    std::string folder, target;
    bool done;
} g_swap;

void SwapWhenReached(const char* at, bool removing)
{
    if (g_swap.done || removing != g_swap.removing || lstrcmpiA(at, g_swap.reached.c_str()) != 0)
        return;
    const std::string& folder = g_swap.folder;
    g_swap.done = MoveFileA(folder.c_str(), (folder + "-aside").c_str()) &&
                  StartHost("/bin/ln -s \"" + HostPath(g_swap.target) + "\" \"" + HostLinkPath(folder) + "\"") &&
                  AttributesBecome(folder, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
}
} // namespace

TEST(CreateDirectoryPath, CreatesEveryMissingFolder)
{
    CTestFolder folder;
    WriteWholeFile(folder / "file.txt", "x");
    struct
    {
        std::string path;
        bool expected;
        std::string check;
    } cases[] = {
        {folder / "a\\b\\c", true, folder / "a\\b\\c"},
        {folder / "d\\e\\", true, folder / "d\\e"},
        {folder / "f/g/h/", true, folder / "f\\g\\h"},
        {folder / "i\\\\j", true, folder / "i\\j"},
        {folder / "a\\b", true, folder / "a\\b"}, // already there
        {folder.Path(), true, folder.Path()},     // the folder itself
        {folder / "file.txt", false, ""},         // a file in the way
        {folder / "file.txt\\sub", false, ""},    // a file on the path
        {"", false, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, CreateDirectoryPath(c.path.c_str())) << c.path;
        if (!c.check.empty()) {
            EXPECT_TRUE(IsFolder(c.check)) << c.check;
        }
    }
    EXPECT_FALSE(CreateDirectoryPath(nullptr));
    EXPECT_FALSE(IsFolder(folder / "file.txt"));
    EXPECT_EQ("x", ReadWholeFile(folder / "file.txt"));
}

TEST(DeleteDirectory, RemovesATreeWithReadOnlyFiles)
{
    CTestFolder folder;
    const std::string tree = folder / "tree";
    ASSERT_TRUE(CreateDirectoryPath((tree + "\\sub\\deeper").c_str()));
    WriteWholeFile(tree + "\\top.txt", "1");
    WriteWholeFile(tree + "\\sub\\locked.txt", "2");
    WriteWholeFile(tree + "\\sub\\deeper\\locked.dat", "3");
    SetFileAttributesA((tree + "\\sub\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((tree + "\\sub\\deeper\\locked.dat").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((tree + "\\sub\\deeper").c_str(), FILE_ATTRIBUTE_READONLY);
    // A neighbour whose name starts the same must survive.
    ASSERT_TRUE(CreateDirectoryPath((tree + "2\\keep").c_str()));
    WriteWholeFile(tree + "-file", "keep");

    EXPECT_TRUE(DeleteDirectory((tree + "\\").c_str()));
    EXPECT_FALSE(Exists(tree));
    EXPECT_TRUE(IsFolder(tree + "2\\keep"));
    EXPECT_EQ("keep", ReadWholeFile(tree + "-file"));
    EXPECT_TRUE(IsFolder(folder.Path()));

    // Gone already counts as done; a file is not a folder to delete.
    EXPECT_TRUE(DeleteDirectory(tree.c_str()));
    EXPECT_FALSE(DeleteDirectory((tree + "-file").c_str()));
    EXPECT_EQ("keep", ReadWholeFile(tree + "-file"));
    EXPECT_TRUE(DeleteDirectory((tree + "2").c_str()));
    EXPECT_FALSE(Exists(tree + "2"));
}

// A folder swapped for a link after it was found (or one above it) is
// never followed: what the link leads to stays, and the link is left over.
// Under Wine RemoveDirectory on a link removes what it leads to, so the
// removal is checked as well as the listing.
TEST(DeleteDirectory, NeverFollowsAFolderSwappedForALinkAfterItWasFound)
{
    if (HostPath("C:\\").empty())
        GTEST_SKIP() << "the links are made by the host's ln, under Wine";
    const struct
    {
        const char* reached; // below tree, as the swapped folder is
        bool removing;
        const char* swapped;
        const char* target; // below victim, as what must stay is
        const char* kept;
    } cases[] = {
        {"a", false, "a", "", "theirs.txt"},       // about to be listed
        {"a\\b", false, "a", "", "b\\theirs.txt"}, // a folder above the one about to be listed
        {"a\\b", true, "a\\b", "b", "b"},          // emptied, about to be removed
    };
    for (const auto& c : cases) {
        CTestFolder folder;
        const std::string tree = folder / "tree", victim = folder / "victim";
        ASSERT_TRUE(CreateDirectoryPath((tree + "\\a\\b").c_str()));
        ASSERT_TRUE(CreateDirectoryPath((victim + "\\b").c_str()));
        WriteWholeFile(tree + "\\a\\b\\ours.txt", "ours");
        WriteWholeFile(victim + "\\theirs.txt", "theirs");
        if (!c.removing)
            WriteWholeFile(victim + "\\b\\theirs.txt", "theirs");
        g_swap = SSwap{tree + "\\" + c.reached, c.removing, tree + "\\" + c.swapped,
                       *c.target ? victim + "\\" + c.target : victim, false};
        g_pfnBeforeFolderCheck = SwapWhenReached;
        Container::CArray<CSmallString> leftovers;
        const bool removed = DeleteDirectory(tree.c_str(), nullptr, &leftovers);
        g_pfnBeforeFolderCheck = nullptr;
        if (g_swap.done && StartHost("/bin/rm \"" + HostLinkPath(g_swap.folder) + "\""))
            AttributesBecome(g_swap.folder, INVALID_FILE_ATTRIBUTES);

        ASSERT_TRUE(g_swap.done) << c.reached << ": not swapped, which would prove nothing";
        EXPECT_FALSE(removed) << c.reached;
        EXPECT_TRUE(Exists(victim + "\\" + c.kept)) << c.reached;
        EXPECT_TRUE(Exists(victim + "\\theirs.txt")) << c.reached;
        bool told = false;
        for (unsigned i = 0; i < leftovers.GetSize(); i++)
            told |= lstrcmpiA(leftovers[i], g_swap.folder.c_str()) == 0;
        EXPECT_TRUE(told) << c.reached << ": the link is left over";
    }
}

TEST(DeleteDirectory, RefusesSystemAndUserFolders)
{
    CTestFolder folder;
    char buf[MAX_PATH];
    GetWindowsDirectoryA(buf, MAX_PATH);
    const std::string windows = buf;
    GetSystemDirectoryA(buf, MAX_PATH);
    const std::string system = buf;
    GetEnvironmentVariableA("USERPROFILE", buf, MAX_PATH);
    const std::string profile = buf;
    const std::string programFiles = ProgramFilesFromRegistry();
    const std::string desktop = ShellFolder(CSIDL_DESKTOPDIRECTORY);
    const std::string documents = ShellFolder(CSIDL_PERSONAL);
    const std::string drive = windows.substr(0, 2);
    ASSERT_FALSE(profile.empty());
    ASSERT_FALSE(programFiles.empty());
    ASSERT_FALSE(desktop.empty());
    ASSERT_FALSE(documents.empty());

    // A relative path that does name a real folder, tried first: should the
    // guard be missing, this fails before any system folder is touched.
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(CreateDirectoryPath((folder / "relative\\path").c_str()));
    ASSERT_TRUE(SetCurrentDirectoryA(folder.Path().c_str()));
    const bool bRelative = DeleteDirectory("relative\\path");
    SetCurrentDirectoryA(previous);
    ASSERT_FALSE(bRelative);
    ASSERT_TRUE(IsFolder(folder / "relative\\path"));

    const std::string refused[] = {
        "",
        "relative\\path",
        drive + "\\",
        drive,
        drive + "/",
        drive + "\\.",
        windows + "\\system32\\..\\..",
        windows,
        windows + "\\",
        Upper(windows),
        Lower(windows) + "\\",
        system,
        programFiles,
        programFiles + "\\",
        Upper(programFiles),
        profile,
        profile + "\\",
        Lower(profile),
        Parent(profile),
        Parent(profile) + "\\",
        desktop,
        desktop + "\\",
        documents,
        Upper(documents) + "\\",
        folder / "..\\..\\..\\..\\..\\..\\..",
        "\\\\server",
        "\\\\server\\share",
        "\\\\server\\share\\",
        folder / "*",
        "\\\\?\\" + folder.Path() + "relative",
    };
    for (const std::string& path : refused) {
        ASSERT_TRUE(IsProtectedFolder(path.c_str())) << "'" << path << "'";
        ASSERT_FALSE(DeleteDirectory(path.c_str())) << "'" << path << "'";
    }
    EXPECT_TRUE(IsProtectedFolder(nullptr));
    EXPECT_FALSE(DeleteDirectory(nullptr));

    for (const std::string& path : {windows, system, programFiles, profile, desktop, documents})
        EXPECT_TRUE(IsFolder(path)) << path;
    EXPECT_TRUE(IsFolder(folder / "relative\\path"));

    // What an installation owns stays deletable, even beside or below the
    // folders above.
    const std::string allowed[] = {
        folder / "relative\\path",       programFiles + "\\Kx Test Application", profile + "\\kx-test-child",
        documents + "\\kx-test-child\\", Lower(windows) + "\\kx-test-child",     "\\\\server\\share\\folder",
    };
    for (const std::string& path : allowed)
        EXPECT_FALSE(IsProtectedFolder(path.c_str())) << path;
    EXPECT_TRUE(DeleteDirectory((folder / "relative\\path").c_str()));
    EXPECT_FALSE(Exists(folder / "relative\\path"));
}

TEST(DoesFileExist, FilesAndFolders)
{
    CTestFolder folder;
    WriteWholeFile(folder / "file.txt", "x");
    struct
    {
        std::string path;
        bool expected;
    } cases[] = {
        {folder / "file.txt", true},           {folder.Path(), true}, {folder / "missing.txt", false},
        {folder / "missing\\file.txt", false}, {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, DoesFileExist(c.path.c_str())) << c.path;
    EXPECT_FALSE(DoesFileExist(nullptr));
}

// Another spelling of a protected folder is the same folder: the drive Wine
// maps to the Linux root, an 8.3 alias, dots, trailing dots and blanks.
TEST(ResolvePath, OtherSpellingsOfOneFolder)
{
    const std::string documents = ShellFolder(CSIDL_PERSONAL);
    ASSERT_FALSE(documents.empty());
    const CSmallString canonical = ResolvePath(documents.c_str());
    ASSERT_FALSE(canonical.IsEmpty());

    char shortName[MAX_PATH] = "";
    GetShortPathNameA(documents.c_str(), shortName, MAX_PATH);
    std::vector<std::string> spellings = {
        documents + "\\.",
        documents + "\\..\\" + documents.substr(documents.find_last_of('\\') + 1),
        Lower(documents) + ". .",
        documents + "\\\\sub\\..",
        std::string("\\\\?\\") + documents,
    };
    if (*shortName)
        spellings.push_back(shortName);
    // Under Wine the same folder is also reachable through the Unix root.
    char prefix[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
    if (n && n < MAX_PATH && documents.size() > 2 && documents[1] == ':') {
        std::string unix = std::string("Z:") + prefix + "/drive_c" + documents.substr(2);
        std::replace(unix.begin(), unix.end(), '/', '\\');
        spellings.push_back(unix);
        spellings.push_back(unix + "\\..\\..\\..\\users");
    }
    for (const std::string& spelling : spellings) {
        const CSmallString resolved = ResolvePath(spelling.c_str());
        if (spelling.find("users", spelling.size() - 5) == std::string::npos) {
            EXPECT_EQ(0, lstrcmpiA(canonical, resolved)) << spelling << " -> " << resolved.GetText();
        }
        EXPECT_TRUE(IsProtectedFolder(spelling.c_str())) << spelling;
    }

    // Below the existing part names stay as written.
    EXPECT_EQ(0, lstrcmpiA(canonical + "\\New Folder\\x", ResolvePath((documents + "\\New Folder\\.\\x\\").c_str())));
    EXPECT_TRUE(ResolvePath("relative\\x").IsEmpty());
    EXPECT_TRUE(IsInsideWindowsFolder((ShellFolder(CSIDL_SYSTEM) + "\\drivers").c_str()));
    EXPECT_FALSE(IsInsideWindowsFolder((documents + "\\Work").c_str()));
}

TEST(IsLink, OnlyANameThatLeadsElsewhere)
{
    CTestFolder folder;
    WriteWholeFile(folder / "real.txt", "x");
    CreateDirectoryA((folder / "sub").c_str(), nullptr);
    WriteWholeFile(folder / "sub\\inner.txt", "y");
    // Host links, as a user's program could make them.
    ASSERT_TRUE(StartHost("/bin/ln -s \"" + HostPath(folder / "real.txt") + "\" \"" +
                          HostLinkPath(folder / "link.txt") + "\""));
    ASSERT_TRUE(
        StartHost("/bin/ln -s \"" + HostPath(folder / "sub") + "\" \"" + HostLinkPath(folder / "linked") + "\""));
    for (int i = 0; i < 100 && (GetFileAttributesA((folder / "link.txt").c_str()) == INVALID_FILE_ATTRIBUTES ||
                                GetFileAttributesA((folder / "linked").c_str()) == INVALID_FILE_ATTRIBUTES);
         i++)
        Sleep(20);
    const struct
    {
        const char* name;
        bool link;
    } cases[] = {
        {"real.txt", false},          {"REAL.TXT", false}, // the name leads to itself
        {"link.txt", true},           {"linked", true},
        {"linked\\inner.txt", false}, // reached through a link, but none itself
        {"sub\\inner.txt", false},    {"missing.txt", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.link, IsLink((folder / c.name).c_str())) << c.name;
    // The links go by the host's hand, so that the folder can go.
    StartHost("/bin/rm -f \"" + HostLinkPath(folder / "link.txt") + "\" \"" + HostLinkPath(folder / "linked") + "\"");
    for (int i = 0; i < 100 && GetFileAttributesA((folder / "linked").c_str()) != INVALID_FILE_ATTRIBUTES; i++)
        Sleep(20);
}

TEST(WriteNewFile, ReplacesTheNameNeverWhatItReaches)
{
    CTestFolder folder;
    WriteWholeFile(folder / "theirs.txt", "someone else's");
    // A second name of their file where the program writes its own.
    ASSERT_TRUE(CreateHardLinkA((folder / "install.log").c_str(), (folder / "theirs.txt").c_str(), nullptr));
    const struct
    {
        const char* name;
        const char* text;
        bool written;
    } cases[] = {
        {"install.log", "output", true},
        {"install.log", "", true}, // again, empty
        {"new.log", "first", true},
        {"no-such-folder\\x.log", "x", false},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(c.written, WriteNewFile((folder / c.name).c_str(), c.text, (unsigned)strlen(c.text))) << c.name;
        if (c.written) {
            EXPECT_EQ(c.text, ReadWholeFile(folder / c.name)) << c.name;
        } else {
            EXPECT_NE(0u, GetLastError()) << c.name;
        }
    }
    EXPECT_EQ("someone else's", ReadWholeFile(folder / "theirs.txt"));
    // A folder at the name stays a folder.
    CreateDirectoryA((folder / "taken").c_str(), nullptr);
    EXPECT_FALSE(WriteNewFile((folder / "taken").c_str(), "x", 1));
    EXPECT_TRUE(IsFolder(folder / "taken"));
}
