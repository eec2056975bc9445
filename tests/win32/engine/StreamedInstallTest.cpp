// Installing from a package read as a stream, as the installer reads its
// own file: items in any order and of any size, a damaged stream found only
// while installing, and a progress display that keeps its pace.
#include <gtest/gtest.h>

#include <memory>

#include "EngineTestKit.h"
#include "PackageFormat.h"
#include "Progress.h"
#include "WineTestEnv.h"

namespace {
typedef std::unique_ptr<CSinReader> ReaderPtr;
}

TEST(StreamedInstall, ItemsInAnyOrderAndOfAnySize)
{
    CTestFolder source, dir;
    std::string big(3 << 20, 'b');
    big[12345] = 'x';
    ReaderPtr reader(MakeStreamedReader(source.Path(),
                                        "<install><terms id=\"3\"/><file id=\"2\" name=\"c.bin\" dest=\"%APP%\"/>"
                                        "<file id=\"0\" name=\"a.bin\" dest=\"%APP%\"/>"
                                        "<file id=\"1\" name=\"empty.bin\" dest=\"%APP%sub\"/>"
                                        "<file id=\"2\" name=\"again.bin\" dest=\"%APP%\"/></install>",
                                        {"first", "", big, "the terms"}));
    CSmallString terms;
    ASSERT_TRUE(reader->GetInstallItem("terms", terms));
    EXPECT_STREQ("the terms", terms);
    CMessageBoxRecorder boxes;
    ASSERT_TRUE(reader->Install(dir.Path().c_str(), nullptr));
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(big, ReadWholeFile(dir / "c.bin"));
    EXPECT_EQ(big, ReadWholeFile(dir / "again.bin"));
    EXPECT_EQ("first", ReadWholeFile(dir / "a.bin"));
    EXPECT_EQ("", ReadWholeFile(dir / "sub\\empty.bin"));
}

// The CRC is right but the stream breaks after the script: seen only when
// the broken item is installed. The installation stops, says so, and
// undoes itself.
TEST(StreamedInstall, ADamagedStreamStopsTheInstallationAndUndoesIt)
{
    CTestFolder source, dir;
    std::string bytes = PackBytes("<install><file id=\"0\" name=\"a.bin\" dest=\"%APP%\"/>"
                                  "<file id=\"1\" name=\"b.bin\" dest=\"%APP%sub\"/></install>",
                                  {"a small first file", std::string(2 << 20, 'z') + "the end"});
    const uint32_t size = Package::ReadU32(reinterpret_cast<const unsigned char*>(bytes.data()) + bytes.size() - 19);
    const size_t blockStart = bytes.size() - Package::kTrailerSize - size;
    bytes[blockStart + size - 12] ^= 0x5A; // inside the last deflate block
    Package::WriteU32(reinterpret_cast<unsigned char*>(&bytes[bytes.size() - Package::kTrailerSize]),
                      CRC(reinterpret_cast<const unsigned char*>(bytes.data()) + blockStart, size));
    WriteWholeFile(source / "package.exe", bytes);
    CSinReader reader;
    ASSERT_TRUE(reader.OpenPackage((source / "package.exe").c_str())) << reader.GetLastFailure();
    CMessageBoxRecorder boxes;
    EXPECT_FALSE(reader.Install(dir.Path().c_str(), nullptr));
    EXPECT_EQ(CSinReader::RunFailed, reader.GetRunResult());
    ASSERT_EQ(1u, boxes.Shown().size());
    EXPECT_EQ(0u, boxes.Shown()[0].text.find("The installer file is damaged: ")) << boxes.Shown()[0].text;
    EXPECT_EQ("<missing>", ReadWholeFile(dir / "a.bin"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((dir / "sub").c_str()));
}

TEST(StreamedInstall, ThousandsOfSmallFilesDrawTheProgressFarLessOften)
{
    CTestFolder source, dir;
    std::string script = "<install>";
    std::vector<std::string> items;
    const unsigned files = 1281;
    for (unsigned i = 0; i < files; i++) {
        script += "<file id=\"" + std::to_string(i) + "\" name=\"f" + std::to_string(i) + ".txt\" dest=\"%APP%d" +
                  std::to_string(i % 23) + "\"/>";
        items.push_back(std::string(1, (char)('a' + i % 26)));
    }
    script += "</install>";
    ReaderPtr reader(MakeStreamedReader(source.Path(), script, items));
    CProgress progress(reader->GetInstallStepCount());
    const DWORD start = GetTickCount();
    ASSERT_TRUE(reader->Install(dir.Path().c_str(), &progress));
    const DWORD elapsed = GetTickCount() - start;
    progress.Finish();
    EXPECT_EQ(std::string(1, (char)('a' + 1280 % 26)), ReadWholeFile(dir / "d15\\f1280.txt"));
    // About 10 a second, however many files: far fewer than one per file.
    EXPECT_LE(progress.GetDrawCount(), elapsed / 100 + 3) << elapsed << " ms";
    EXPECT_LT(progress.GetDrawCount(), files / 10);
}
