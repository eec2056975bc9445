// The packer's command line, run in-process.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "KxPackRun.h"
#include "TestFiles.h"

namespace {

int Lines(const std::string& s) { return (int)std::count(s.begin(), s.end(), '\n'); }

class KxPackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteText(dir.File("stub.exe"), "MZ stub image with KXCheck among its constants");
        WriteText(dir.File("setup.xml"), "<install><app-name>Hello</app-name><terms id=\"0\"/></install>");
        WriteText(dir.File("terms.txt"), "You agree.");
        std::vector<unsigned char> binary(70000);
        for (size_t i = 0; i < binary.size(); i++)
            binary[i] = (unsigned char)(i * 7);
        WriteBytes(dir.File("app.bin"), binary);
    }

    KxPackResult Build(const std::string& out)
    {
        return RunKxPack({"build", "--stub", dir.File("stub.exe"), "--script", dir.File("setup.xml"), "--item",
                    dir.File("terms.txt"), "--item", dir.File("app.bin"), "-o", out});
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

    const std::string out = dir.File("extracted");
    r = RunKxPack({"extract", installer, "-o", out});
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
}

TEST_F(KxPackTest, RefusesToOverwriteItsInputs)
{
    const std::vector<unsigned char> stub = ReadBytes(dir.File("stub.exe"));
    const std::vector<unsigned char> item = ReadBytes(dir.File("terms.txt"));
    for (const std::string& target : {dir.File("stub.exe"), dir.File("terms.txt"), dir.File("./setup.xml")}) {
        const KxPackResult r = Build(target);
        EXPECT_EQ(1, r.code) << target;
        EXPECT_NE(std::string::npos, r.err.find("refusing to overwrite")) << r.err;
    }
    EXPECT_EQ(stub, ReadBytes(dir.File("stub.exe")));
    EXPECT_EQ(item, ReadBytes(dir.File("terms.txt")));
}

TEST_F(KxPackTest, BadInputGivesOneClearLineAndNoOutput)
{
    const std::string installer = dir.File("setup.exe");
    KxPackResult r = RunKxPack({"build", "--stub", dir.File("stub.exe"), "--script", dir.File("setup.xml"), "--item",
                    dir.File("missing.bin"), "-o", installer});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.err.find("missing.bin")) << r.err;
    EXPECT_FALSE(PathExists(installer));
    EXPECT_FALSE(PathExists(installer + ".kxpack-tmp"));

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

TEST_F(KxPackTest, CommandLineMistakes)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"build", "--stub", "a"},
             {"build", "--stub", "a", "--script", "b", "-o"},
             {"build", "--level", "12", "--stub", "a", "--script", "b", "-o", "c"},
             {"list"},
             {"extract", "x"},
             {"verify", "a", "b"},
         }) {
        const KxPackResult r = RunKxPack(args);
        EXPECT_EQ(2, r.code);
        EXPECT_NE(std::string::npos, r.err.find("usage:")) << r.err;
    }
}
