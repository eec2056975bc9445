// The packer's command line, run in-process.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "KxPackRun.h"
#include "TestFiles.h"

namespace {

int Lines(const std::string& s)
{
    return (int)std::count(s.begin(), s.end(), '\n');
}

class KxPackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteText(dir.File("stub.exe"), "MZ stub image with KXCheck among its constants");
        // English alone: a script with nothing to add goes in as written.
        WriteText(dir.File("setup.xml"),
                  "<install><app-name>Hello</app-name><terms id=\"0\"/><languages></languages></install>");
        WriteText(dir.File("terms.txt"), "You agree.");
        std::vector<unsigned char> binary(70000);
        for (size_t i = 0; i < binary.size(); i++)
            binary[i] = (unsigned char)(i * 7);
        WriteBytes(dir.File("app.bin"), binary);
    }

    KxPackResult Build(const std::string& out, const std::string& compression = "zlib")
    {
        return RunKxPack({"build", "--stub", dir.File("stub.exe"), "--script", dir.File("setup.xml"), "--item",
                          dir.File("terms.txt"), "--item", dir.File("app.bin"), "-o", out, "--compression",
                          compression});
    }

    CTempDir dir;
};

} // namespace

TEST_F(KxPackTest, BuildListVerifyExtract)
{
    const std::string installer = dir.File("setup.exe");
    KxPackResult r = Build(installer);
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_FALSE(PathExists(installer + ".kxpack-tmp"));

    r = RunKxPack({"verify", installer});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("OK")) << r.out;

    r = RunKxPack({"list", installer});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("items:      2")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("\"You agree.\"")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("70000 bytes  (binary: 00 07 0e")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("CRC 0x")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("compression: zlib")) << r.out;

    // Options before or after the operand; one operand only.
    r = RunKxPack({"check", "--strict", dir.File("setup.xml"), "--item", dir.File("terms.txt"), "--item",
                   dir.File("app.bin")});
    EXPECT_EQ(1, r.code) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("(--strict counts warnings)")) << r.err;
    r = RunKxPack({"check", dir.File("setup.xml"), dir.File("setup.xml")});
    EXPECT_EQ(2, r.code);
    EXPECT_NE(std::string::npos, r.err.find("unexpected argument")) << r.err;
    const std::string out = dir.File("extracted");
    r = RunKxPack({"extract", "-o", out, installer});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ(ReadBytes(dir.File("setup.xml")), ReadBytes(out + "/script.xml"));
    EXPECT_EQ(ReadBytes(dir.File("stub.exe")), ReadBytes(out + "/stub.exe"));
    EXPECT_EQ(ReadBytes(dir.File("terms.txt")), ReadBytes(out + "/item-0.bin"));
    EXPECT_EQ(ReadBytes(dir.File("app.bin")), ReadBytes(out + "/item-1.bin"));
    EXPECT_FALSE(PathExists(out + "/item-2.bin"));

    // A rebuild over an existing output replaces it.
    r = Build(installer);
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ(0, RunKxPack({"verify", installer}).code);

    // LZMA: list names it, extract gives the same files.
    r = Build(installer, "lzma");
    ASSERT_EQ(0, r.code) << r.err;
    r = RunKxPack({"list", installer});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("compression: lzma")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("70000 bytes  (binary: 00 07 0e")) << r.out;
    r = RunKxPack({"extract", "--force", "-o", out, installer});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ(ReadBytes(dir.File("setup.xml")), ReadBytes(out + "/script.xml"));
    EXPECT_EQ(ReadBytes(dir.File("app.bin")), ReadBytes(out + "/item-1.bin"));
}

TEST_F(KxPackTest, BuildNeverOverwritesAnInput)
{
    // Every kind of input, the script's own sources among them; the last
    // item is named like the temporary file of an output "next.exe".
    MakeFolder(dir.File("app"));
    MakeFolder(dir.File("app/sub"));
    WriteText(dir.File("app/sub/c.txt"), "in a src folder");
    WriteText(dir.File("logo.bmp"), "BM src file");
    WriteText(dir.File("uninstall.xml"), "<uninstall><remove-folder path=\"%APP%\"/></uninstall>");
    WriteText(dir.File("next.exe.kxpack-tmp"), "an item");
    WriteText(dir.File("setup.xml"), "<install><uninstall-display-name>A</uninstall-display-name>"
                                     "<uninstaller src=\"uninstall.xml\"/><terms id=\"0\"/><logo src=\"logo.bmp\"/>"
                                     "<file src=\"app\" dest=\"%APP%\"/></install>");
    const std::vector<std::string> inputs = {"stub.exe",      "setup.xml", "terms.txt",    "next.exe.kxpack-tmp",
                                             "uninstall.xml", "logo.bmp",  "app/sub/c.txt"};
    std::vector<std::vector<unsigned char>> before;
    for (const std::string& input : inputs)
        before.push_back(ReadBytes(dir.File(input)));

    const struct
    {
        const char* what;
        const char* out;
    } cases[] = {
        {"the stub", "stub.exe"},
        {"the script, spelt otherwise", "./setup.xml"},
        {"an --item", "terms.txt"},
        {"a src file", "logo.bmp"},
        {"a file found in a src folder", "app/sub/c.txt"},
        {"a src folder", "app"},
        {"a folder inside a src folder", "app/sub/"},
        {"an input at the temporary name", "next.exe"},
    };
    for (const auto& c : cases) {
        const std::string out = dir.File(c.out);
        const KxPackResult r =
            RunKxPack({"build", "--stub", dir.File("stub.exe"), "--script", dir.File("setup.xml"), "--item",
                       dir.File("terms.txt"), "--item", dir.File("next.exe.kxpack-tmp"), "-o", out});
        EXPECT_EQ(1, r.code) << c.what;
        EXPECT_EQ(1, Lines(r.err)) << c.what << ": " << r.err;
        EXPECT_NE(std::string::npos, r.err.find("refusing to overwrite")) << c.what << ": " << r.err;
        EXPECT_FALSE(PathExists(dir.File("next.exe"))) << c.what;
        for (size_t i = 0; i < inputs.size(); i++)
            EXPECT_EQ(before[i], ReadBytes(dir.File(inputs[i]))) << c.what << ": " << inputs[i];
    }
}

TEST_F(KxPackTest, ExtractReplacesFilesOnlyWithForceAndNeverTheInstaller)
{
    ASSERT_EQ(0, Build(dir.File("setup.exe")).code);
    const std::vector<unsigned char> installer = ReadBytes(dir.File("setup.exe"));
    const std::vector<unsigned char> old = {'o', 'l', 'd'};
    const std::vector<std::string> pieces = {"script.xml", "stub.exe", "item-0.bin", "item-1.bin"};
    const struct
    {
        const char* existing; // already in the output folder, or null
        bool installerThere;  // the installer is read from that name
        bool force;
        int code;
        const char* expect;
    } cases[] = {
        {nullptr, false, false, 0, "extracted"},
        {"item-1.bin", false, false, 1, "refusing to overwrite"},
        {"script.xml", false, true, 0, "extracted"},
        {"stub.exe", true, false, 1, "refusing to overwrite"},
        {"stub.exe", true, true, 1, "it is the installer being read"},
        {"item-0.bin", true, true, 1, "it is the installer being read"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string out = dir.File("out" + std::to_string(n++));
        std::string from = dir.File("setup.exe");
        if (c.existing) {
            MakeFolder(out);
            from = c.installerThere ? out + "/" + c.existing : from;
            WriteBytes(out + "/" + c.existing, c.installerThere ? installer : old);
        }
        std::vector<std::string> args = {"extract", from, "-o", out};
        if (c.force)
            args.push_back("--force");
        const KxPackResult r = RunKxPack(args);
        const std::string what = std::string(c.existing ? c.existing : "-") + (c.force ? " --force" : "");
        EXPECT_EQ(c.code, r.code) << what;
        EXPECT_NE(std::string::npos, (r.code ? r.err : r.out).find(c.expect)) << what << ": " << r.err;
        if (c.code == 0) {
            EXPECT_EQ(ReadBytes(dir.File("terms.txt")), ReadBytes(out + "/item-0.bin")) << what;
            EXPECT_EQ(ReadBytes(dir.File("setup.xml")), ReadBytes(out + "/script.xml")) << what;
            continue;
        }
        // Refused: the file there is untouched and nothing else was written.
        EXPECT_EQ(c.installerThere ? installer : old, ReadBytes(out + "/" + c.existing)) << what;
        for (const std::string& piece : pieces)
            EXPECT_TRUE(piece == c.existing || !PathExists(out + "/" + piece)) << what << ": " << piece;
    }
}

TEST_F(KxPackTest, BadInputGivesOneClearLineAndNoOutput)
{
    const std::string installer = dir.File("setup.exe");
    MakeFolder(dir.File("folder"));
    const struct
    {
        const char* item;
        const char* expect;
    } items[] = {
        {"missing.bin", "cannot read the item"},
        {"folder", "not a file"},
#ifndef _WIN32
        // Refused once the output is open: its temporary file goes too.
        {"sparse.bin", "is 5368709120 bytes: an item must be smaller than 4 GiB"},
#endif
    };
#ifndef _WIN32
    WriteBytes(dir.File("sparse.bin"), {});
    ASSERT_EQ(0, truncate(dir.File("sparse.bin").c_str(), 5LL << 30));
#endif
    KxPackResult r;
    for (const auto& c : items) {
        r = RunKxPack({"build", "--stub", dir.File("stub.exe"), "--script", dir.File("setup.xml"), "--item",
                       dir.File(c.item), "-o", installer});
        EXPECT_EQ(1, r.code) << c.item;
        EXPECT_NE(std::string::npos, r.err.find(c.expect)) << r.err;
        EXPECT_NE(std::string::npos, r.err.find(c.item)) << r.err;
        EXPECT_FALSE(PathExists(installer)) << c.item;
        EXPECT_FALSE(PathExists(installer + ".kxpack-tmp")) << c.item;
    }

    ASSERT_EQ(0, Build(installer).code);
    std::vector<unsigned char> bytes = ReadBytes(installer);
    const size_t stubSize = ReadBytes(dir.File("stub.exe")).size();
    const struct
    {
        const char* name;
        size_t offset; // from the start; 0 = truncate instead
        const char* expect;
    } damage[] = {
        {"data byte", stubSize + 10, "CRC mismatch"},
        {"magic value", bytes.size() - 11, "magic"},
        {"SIZE tag", bytes.size() - 13, "SIZE"},
        {"CRC tag", bytes.size() - 21, "CRC"},
        {"size value", bytes.size() - 16, "larger than the file"},
    };
    for (const auto& d : damage) {
        std::vector<unsigned char> bad = bytes;
        bad[d.offset] ^= 0xFF;
        WriteBytes(dir.File("bad.exe"), bad);
        r = RunKxPack({"verify", dir.File("bad.exe")});
        EXPECT_EQ(1, r.code) << d.name;
        EXPECT_EQ(1, Lines(r.err)) << r.err;
        EXPECT_NE(std::string::npos, r.err.find(d.expect)) << d.name << ": " << r.err;
    }

    bytes.resize(bytes.size() - 30);
    WriteBytes(dir.File("cut.exe"), bytes);
    r = RunKxPack({"verify", dir.File("cut.exe")});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.err.find("trailer")) << r.err;

    r = RunKxPack({"extract", dir.File("cut.exe"), "-o", dir.File("never")});
    EXPECT_EQ(1, r.code);
    EXPECT_FALSE(PathExists(dir.File("never")));

    r = RunKxPack({"verify", dir.File("stub.exe")});
    EXPECT_EQ(1, r.code);
    r = RunKxPack({"verify", dir.File("nothing-here.exe")});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.err.find("cannot read")) << r.err;
}

// One reading of the arguments for every command: options before or after
// the file, values apart or joined; each option is shown taken by what it
// changes. Mistakes are a bad command line (2) with the usage.
TEST_F(KxPackTest, EveryCommandTakesItsOptionsBeforeOrAfterItsFile)
{
    WriteText(dir.File("v.xml"), "<install><app-name>${V}</app-name><terms id=\"0\"/></install>");
    ASSERT_EQ(0, Build(dir.File("setup.exe")).code);
    const std::string stub = dir.File("stub.exe"), script = dir.File("v.xml"), terms = dir.File("terms.txt");
    const std::string out = dir.File("out.exe"), setup = dir.File("setup.exe"), parts = dir.File("parts");
    const struct
    {
        std::vector<std::string> args;
        int code;
        const char* expect; // in what it prints (out when 0, else err)
    } cases[] = {
        {{"build", "--stub", stub, "--script", script, "--item", terms, "-D", "V=1", "-o", out}, 0, "out.exe: "},
        {{"build", "-o" + out, "-DV=1", "--item=" + terms, "--script=" + script, "--stub", stub}, 0, "out.exe: "},
        {{"build", "-D", "V=1", "-o", out, "--level", "0", "--script", script, "--item", terms, "--stub", stub},
         0,
         "out.exe: "},
        {{"build", "--stub", stub, "--script", script, "--item", terms, "-o", out}, 1, "${V} is not defined"},
        {{"build", "--stub", stub, "--script", script, "-o", out, "-o", out}, 2, "-o is given twice"},
        {{"build", script, "--stub", stub, "--script", script, "-o", out}, 2, "unexpected argument: "},
        {{"build", "--stub", stub, "--script", script, "-o"}, 2, "-o needs a value"},
        {{"build", "--level", "12", "--stub", stub, "--script", script, "-o", out}, 2, "--level 12"},
        {{"build", "-DV=1", "--compression", "lzma", "--stub", stub, "--script", script, "--item", terms, "-o", out},
         0,
         "out.exe: "},
        {{"build", "-DV=1", "--item", terms, "--stub", stub, "--script", script, "-o", out, "--compression=zlib"},
         0,
         "out.exe: "},
        {{"build", "--compression", "xz", "--stub", stub, "--script", script, "-o", out},
         2,
         "--compression xz: write zlib or lzma"},
        {{"build", "--stub", stub}, 2, "build needs --stub, --script and -o"},
        {{"check", "--strict", script, "--item", terms, "-DV=1"}, 1, "(--strict counts warnings)"},
        {{"check", script, "-D", "V=1", "--item", terms, "--strict"}, 1, "(--strict counts warnings)"},
        {{"check", "--item", terms, script, "--define=V=1"}, 0, "no errors, only warnings (1 items)"},
        {{"check", "-D", "V", script}, 2, "-D V: write -D NAME=value"},
        {{"check", script, "-D", "a b=1"}, 2, "\"a b\" is not a variable name"},
        {{"check", script, script}, 2, "unexpected argument: "},
        {{"check", "--strict"}, 2, "check needs a script"},
        {{"check", script, "--force"}, 2, "--force (not an option of this command)"},
        {{"list", setup}, 0, "items:      2"},
        {{"list", "--", setup}, 0, "items:      2"},
        {{"list", setup, "--strict"}, 2, "not an option of this command"},
        {{"list"}, 2, "list needs an installer"},
        {{"verify", setup}, 0, "OK (2 items"},
        {{"verify", setup, setup}, 2, "unexpected argument: "},
        {{"extract", "-o", parts, setup}, 0, "extracted"},
        {{"extract", setup, "-o", parts}, 1, "refusing to overwrite"},
        {{"extract", setup, "--force", "-o", parts}, 0, "extracted"},
        {{"extract", "--force", "-o" + parts, setup}, 0, "extracted"},
        {{"extract", setup}, 2, "extract needs -o"},
        {{"extract", setup, "-o"}, 2, "-o needs a value"},
        {{}, 2, "no command given"},
        {{"frobnicate"}, 2, "unknown command: frobnicate"},
        {{"help"}, 0, "usage: kxpack build"},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::string& arg : c.args)
            shown += arg + " ";
        remove(out.c_str());
        const KxPackResult r = RunKxPack(c.args);
        EXPECT_EQ(c.code, r.code) << shown << "\n" << r.err;
        EXPECT_NE(std::string::npos, (c.code ? r.err : r.out).find(c.expect)) << shown << "\n" << r.out << r.err;
        if (c.code == 2) {
            EXPECT_NE(std::string::npos, r.err.find("usage:")) << shown << "\n" << r.err;
        }
        if (c.args.size() && c.args[0] == "build") {
            EXPECT_EQ(c.code == 0, PathExists(out)) << shown;
        }
    }
}
