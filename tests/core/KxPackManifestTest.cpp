// kxpack manifest: SHA-256 against FIPS 180-2's vectors, and the winget and
// Chocolatey files of installers built from a few scripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "ExitCodeResponses.h"
#include "KxPackRun.h"
#include "Sha256.h"
#include "TestFiles.h"

namespace {

std::string Sha256Of(const std::string& data, size_t piece)
{
    CSha256 sha;
    for (size_t at = 0; at < data.size(); at += piece)
        sha.Update(data.data() + at, std::min(piece, data.size() - at));
    unsigned char digest[32];
    sha.Final(digest);
    return ToUpperHex(digest, sizeof(digest));
}

std::string Text(const std::string& path)
{
    const std::vector<unsigned char> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(KxPackManifestTest, Sha256MatchesTheStandardsVectors)
{
    const struct
    {
        std::string data;
        const char* digest;
    } cases[] = {
        // FIPS 180-2, appendix B.
        {"abc", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1"},
        {std::string(1000000, 'a'), "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0"},
        {"", "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
        // Lengths around the padding's block boundary (Python's hashlib).
        {std::string(55, 'a'), "9F4390F8D30C2DD92EC9F095B65E2B9AE9B0A925A5258E241C9F1E910F734318"},
        {std::string(56, 'a'), "B35439A4AC6F0948B6D6F9E3C6AF0F5F590CE20F1BDE7090EF7970686EC6738A"},
        {std::string(64, 'a'), "FFE054FE7AE0CB6DC65C3AF9B61D5209F439851DB43D0BA5997337DF154668EB"},
        {std::string(119, 'a'), "31EBA51C313A5C08226ADF18D4A359CFDFD8D2E816B13F4AF952F7EA6584DCFB"},
    };
    CTempDir dir;
    for (const auto& c : cases) {
        // Fed whole and in pieces that straddle the 64-byte blocks.
        for (size_t piece : {c.data.size() + 1, (size_t)1, (size_t)63, (size_t)65, (size_t)4096})
            EXPECT_EQ(c.digest, Sha256Of(c.data, piece)) << c.data.size() << " bytes in pieces of " << piece;
        WriteText(dir.File("data"), c.data);
        std::string hex;
        EXPECT_TRUE(HashFileSha256(dir.File("data").c_str(), hex));
        EXPECT_EQ(c.digest, hex) << c.data.size() << " bytes from a file";
    }
    std::string hex;
    EXPECT_FALSE(HashFileSha256(dir.File("missing").c_str(), hex));
}

// The manifests answer every exit code the installer's usage names, and no other.
TEST(KxPackManifestTest, EveryExitCodeOfTheUsageIsAnswered)
{
    const char* list = strstr(g_szUsage, "Exit codes:\n");
    ASSERT_NE(nullptr, list);
    std::set<int> usage, answered;
    for (const char* line = strchr(list, '\n') + 1; *line >= '0' && *line <= '9'; line = strchr(line, '\n') + 1) {
        if (atoi(line))
            usage.insert(atoi(line));
        if (!strchr(line, '\n'))
            break;
    }
    for (unsigned i = 0; i < g_uExitCodeResponseCount; i++)
        answered.insert(g_arrExitCodeResponses[i].nCode);
    EXPECT_EQ(usage, answered);
    EXPECT_EQ(8u, usage.size());
}

TEST(KxPackManifestTest, ManifestsOfScripts)
{
    CTempDir dir;
    const std::string entry = "<app-name>Hello</app-name><version>1.0</version><terms>Agree.</terms>"
                              "<uninstall-display-name>Bob's \"Hello\"</uninstall-display-name>";
    const std::string publisher = "<uninstall-publisher>Hello Co</uninstall-publisher>";
    const std::vector<std::string> texts = {"--license", "MIT", "--short-description", "Says hello."};
    const std::string w = "w/Kx.Hello.installer.yaml", locale = "w/Kx.Hello.locale.en-US.yaml";
    const std::string install = "c/tools/chocolateyInstall.ps1", uninstall = "c/tools/chocolateyUninstall.ps1";
    struct SCase
    {
        const char* name;
        std::string script;
        std::vector<std::string> args; // after the installer, --id and --url
        int code;
        std::vector<std::pair<std::string, std::string>> present, absent; // file, text
        const char* err;
    };
    const SCase cases[] = {
        {"machine, x86, nothing at restart",
         entry + publisher + "<scope>machine</scope>",
         {"--winget", "w", "--chocolatey", "c"},
         0,
         {{w, "Architecture: x86\n  Scope: machine\n"},
          {w, "ElevationRequirement: elevatesSelf\n"},
          {w, "Silent: \"/S\"\n"},
          {w, "InstallLocation: \"/D=<INSTALLPATH>\"\n"},
          {w, "Log: \"/LOG=\\\"<LOGPATH>\\\"\"\n"},
          {w, "- InstallerReturnCode: 7\n  ReturnResponse: installInProgress\n"},
          {w, "ProductCode: \"Bob's \\\"Hello\\\"\"\n"},
          {w, "- DisplayName: \"Bob's \\\"Hello\\\"\"\n  Publisher: \"Hello Co\"\n  DisplayVersion: \"1.0\"\n"},
          {locale, "PackageName: \"Hello\"\n"},
          {locale, "License: \"MIT\"\n"},
          {"w/Kx.Hello.yaml", "DefaultLocale: \"en-US\"\n"},
          {"c/kx.hello.nuspec", "<id>kx.hello</id>\n    <version>1.0</version>\n"},
          {"c/kx.hello.nuspec", "<authors>Hello Co</authors>"},
          {install, "  url            = 'https://example.com/setup.exe'\n"},
          {install, "silentArgs     = '/S'\n  validExitCodes = @(0)\n"},
          {uninstall, "$keyName = 'Bob''s \"Hello\"'\n"},
          {uninstall, "validExitCodes = @(0)\n"}},
         {{w, "3010"}, {w, "Custom"}},
         nullptr},
        {"user, x64, at restart, its own key, texts from options and an item",
         "<app-name src=\"name.txt\"/><version>2.0</version><uninstall-display-name>Hello</uninstall-display-name>"
         "<uninstall-key>{Hello-Key}</uninstall-key><scope> User </scope><architecture>X64</architecture>"
         "<finish-at-restart>yes</finish-at-restart><terms>Agree.</terms>",
         {"--publisher", "Option Co", "--chocolatey", "c", "--tags", "hello,greeting", "--winget", "w", "--locale",
          "de-DE"},
         0,
         {{"w/Kx.Hello.installer.yaml", "Architecture: x64\n  Scope: user\n"},
          {"w/Kx.Hello.installer.yaml", "- InstallerReturnCode: 3010\n  ReturnResponse: rebootRequiredToFinish\n"},
          {"w/Kx.Hello.installer.yaml", "ProductCode: \"{Hello-Key}\"\n"},
          {"w/Kx.Hello.locale.de-DE.yaml", "PackageName: \"Hello From An Item\"\n"},
          {"w/Kx.Hello.locale.de-DE.yaml", "Publisher: \"Option Co\"\n"},
          {"w/Kx.Hello.locale.de-DE.yaml", "Tags:\n- \"hello\"\n- \"greeting\"\n"},
          {install, "url64bit       = 'https://example.com/setup.exe'\n"},
          {install, "validExitCodes = @(0, 3010)\n"},
          {uninstall, "$keyName = '{Hello-Key}'\n$displayName = 'Hello'\n"},
          {uninstall, "validExitCodes = @(0, 3010)\n"},
          {"c/kx.hello.nuspec", "<tags>hello greeting</tags>"}},
         {{"w/Kx.Hello.installer.yaml", "ElevationRequirement"}, {"w/Kx.Hello.installer.yaml", "Publisher:"}},
         nullptr},
        {"choose, arm64: an installer for each scope",
         entry + publisher + "<scope>choose</scope><architecture>arm64</architecture>",
         {"--winget", "w", "--chocolatey", "c"},
         0,
         {{w, "- Architecture: arm64\n  Scope: machine\n"},
          {w, "Custom: \"/ALLUSERS\"\n- Architecture: arm64\n  Scope: user\n"},
          {w, "Custom: \"/CURRENTUSER\"\n"},
          {install, "silentArgs     = '/S /ALLUSERS'\n"}},
         {},
         nullptr},
        {"no version in the script: --version",
         "<uninstall-display-name>Hello</uninstall-display-name>" + publisher,
         {"--version", "3.1", "--winget", "w"},
         0,
         {{locale, "PackageVersion: \"3.1\"\n"}},
         {{w, "DisplayVersion"}},
         nullptr},
        {"Chocolatey alone needs no license", entry + publisher, {"--chocolatey", "c"}, 0, {}, {}, nullptr},
        // What is refused: exit code 2, nothing written.
        {"winget needs a license", entry + publisher, {"--winget", "w"}, 2, {}, {}, "needs a License: pass --license"},
        {"no publisher", entry, {"--chocolatey", "c"}, 2, {}, {}, "no uninstall-publisher; pass --publisher"},
        {"no Add/Remove entry",
         "<app-name>Hello</app-name><version>1</version>" + publisher,
         {"--winget", "w"},
         2,
         {},
         {},
         "no uninstall-display-name"},
        {"no version",
         "<uninstall-display-name>Hello</uninstall-display-name>" + publisher,
         {"--winget", "w"},
         2,
         {},
         {},
         "pass --version"},
        {"another --version than the script's",
         entry + publisher,
         {"--version", "2.0", "--winget", "w"},
         2,
         {},
         {},
         "leave --version out"},
        {"a version winget refuses",
         publisher + "<uninstall-display-name>H</uninstall-display-name><version>1:2</version>",
         {"--winget", "w"},
         2,
         {},
         {},
         "can't be a winget version"},
        {"a version Chocolatey refuses",
         publisher + "<uninstall-display-name>H</uninstall-display-name><version>1.0b</version>",
         {"--chocolatey", "c"},
         2,
         {},
         {},
         "can't be a Chocolatey version"},
        {"an id without a publisher",
         entry + publisher,
         {"--winget", "w", "--id", "Hello"},
         2,
         {},
         {},
         "--id \"Hello\" is not of the form PUBLISHER.APP"},
        {"an address that isn't one",
         entry + publisher,
         {"--winget", "w", "--package-url", "example.com"},
         2,
         {},
         {},
         "--package-url \"example.com\" is not a web address"},
        {"a tag with a blank", entry + publisher, {"--winget", "w", "--tags", "a,b c"}, 2, {}, {}, "\"b c\" is no tag"},
        {"a name from an item that isn't UTF-8",
         "<app-name src=\"latin1.txt\"/><version>1</version><uninstall-display-name>H</uninstall-display-name>" +
             publisher,
         {"--winget", "w"},
         2,
         {},
         {},
         "the script's app-name is not UTF-8 text"},
        {"a scope the installer refuses",
         entry + publisher + "<scope>everyone</scope>",
         {"--winget", "w"},
         2,
         {},
         {},
         "its scope \"everyone\""},
    };
    int n = 0;
    for (const SCase& c : cases) {
        const std::string here = dir.File("case" + std::to_string(n++));
        MakeFolder(here);
        WriteText(here + "/name.txt", "Hello From An Item\n");
        WriteText(here + "/latin1.txt", "Caf\xE9");
        WriteText(here + "/setup.xml", "<install>" + c.script + "</install>");
        // --force: also a scope the installer would refuse.
        const KxPackResult built =
            RunKxPack({"build", "--stub", std::string(KX_SOURCE_DIR) + "/tests/core/data/stub/tiny.exe", "--script",
                       here + "/setup.xml", "-o", here + "/setup.exe", "--force"});
        ASSERT_EQ(0, built.code) << c.name << ": " << built.err;
        // The installer last, after its options, as any command may take it.
        std::vector<std::string> args = {"manifest", "--url", "https://example.com/setup.exe"};
        if (std::find(c.args.begin(), c.args.end(), "--id") == c.args.end())
            args.insert(args.end(), {"--id", "Kx.Hello"});
        for (const std::string& arg : c.args)
            args.push_back(arg == "w" || arg == "c" ? here + "/" + arg : arg);
        if (c.code == 0 || !c.err || !strstr(c.err, "License"))
            args.insert(args.end(), texts.begin(), texts.end());
        args.push_back(here + "/setup.exe");
        const KxPackResult r = RunKxPack(args);
        EXPECT_EQ(c.code, r.code) << c.name << ": " << r.err;
        if (c.err) {
            EXPECT_NE(std::string::npos, r.err.find(c.err)) << c.name << ": " << r.err;
        }
        if (c.code) {
            EXPECT_FALSE(PathExists(here + "/w") || PathExists(here + "/c")) << c.name << ": something was written";
            continue;
        }
        for (const auto& p : c.present)
            EXPECT_NE(std::string::npos, Text(here + "/" + p.first).find(p.second))
                << c.name << ": " << p.first << " lacks " << p.second;
        for (const auto& a : c.absent)
            EXPECT_EQ(std::string::npos, Text(here + "/" + a.first).find(a.second))
                << c.name << ": " << a.first << " holds " << a.second;
        // The checksum is the installer file's own.
        const std::string sha = Sha256Of(Text(here + "/setup.exe"), 1 << 16);
        if (PathExists(here + "/w")) {
            EXPECT_NE(std::string::npos, Text(here + "/" + w).find("InstallerSha256: " + sha + "\n")) << c.name;
        }
        if (PathExists(here + "/c")) {
            EXPECT_NE(std::string::npos, Text(here + "/" + install).find("'" + sha + "'")) << c.name;
        }
    }
}

TEST(KxPackManifestTest, RefusesBadInstallersAndKeepsExistingFiles)
{
    CTempDir dir;
    WriteText(dir.File("setup.xml"), "<install><version>1.0</version><uninstall-display-name>Hello"
                                     "</uninstall-display-name><uninstall-publisher>Hello Co</uninstall-publisher>"
                                     "<terms>Agree.</terms></install>");
    ASSERT_EQ(0, RunKxPack({"build", "--stub", std::string(KX_SOURCE_DIR) + "/tests/core/data/stub/tiny.exe",
                            "--script", dir.File("setup.xml"), "-o", dir.File("setup.exe")})
                     .code);
    std::vector<unsigned char> damaged = ReadBytes(dir.File("setup.exe"));
    damaged[damaged.size() - 40] ^= 0xFF;
    WriteBytes(dir.File("damaged.exe"), damaged);
    const std::vector<std::string> all = {"--id",
                                          "Kx.Hello",
                                          "--url",
                                          "https://example.com/s.exe",
                                          "--chocolatey",
                                          dir.File("c"),
                                          "--short-description",
                                          "Says hello."};
    const auto Run = [&](const std::string& installer, std::vector<std::string> more) {
        std::vector<std::string> args = {"manifest", installer};
        args.insert(args.end(), all.begin(), all.end());
        args.insert(args.end(), more.begin(), more.end());
        return RunKxPack(args);
    };
    KxPackResult r = Run(dir.File("damaged.exe"), {});
    EXPECT_EQ(2, r.code);
    EXPECT_NE(std::string::npos, r.err.find("not a valid installer")) << r.err;
    r = Run(dir.File("missing.exe"), {});
    EXPECT_EQ(2, r.code);
    EXPECT_NE(std::string::npos, r.err.find("cannot read")) << r.err;
    r = RunKxPack({"manifest", dir.File("setup.exe"), "--id", "Kx.Hello", "--chocolatey", dir.File("c")});
    EXPECT_EQ(2, r.code);
    EXPECT_NE(std::string::npos, r.err.find("manifest needs --url URL")) << r.err;
    EXPECT_FALSE(PathExists(dir.File("c")));

    // A file there already stays unless --force is given.
    MakeFolder(dir.File("c"));
    WriteText(dir.File("c/kx.hello.nuspec"), "mine");
    r = Run(dir.File("setup.exe"), {});
    EXPECT_EQ(2, r.code);
    EXPECT_NE(std::string::npos, r.err.find("--force replaces existing files")) << r.err;
    EXPECT_EQ("mine", Text(dir.File("c/kx.hello.nuspec")));
    EXPECT_FALSE(PathExists(dir.File("c/tools")));
    r = Run(dir.File("setup.exe"), {"--force"});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_NE(std::string::npos, Text(dir.File("c/kx.hello.nuspec")).find("<id>kx.hello</id>"));
    EXPECT_TRUE(PathExists(dir.File("c/tools/chocolateyUninstall.ps1")));
}
