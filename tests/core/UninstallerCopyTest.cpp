// uninstall.exe is the installer's stub part: a signature made for the stub
// before packing stays whole in it, while the certificate entry of a
// signature made for the whole installer, which would point past the end of
// the copy, is cleared. What a program holds after its image decides
// whether it may act as uninstall.exe: a program carrying a package, sound
// or not, never does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PackageStream.h"
#include "PackageWriter.h"
#include "PeHeaders.h"
#include "SinReader.h"
#include "TestFiles.h"

namespace {

typedef std::vector<unsigned char> Bytes;

const unsigned kCertificateSize = 40;

// A WIN_CERTIFICATE appended on an 8-byte boundary, the security entry
// naming it and a checksum set, as signing tools leave a file.
Bytes FakeSign(Bytes file)
{
    SPeHeaders pe;
    EXPECT_EQ(nullptr, ReadPeHeaders(file.data(), file.size(), pe));
    file.resize((file.size() + 7) / 8 * 8);
    const uint32_t table = (uint32_t)file.size();
    file.resize(file.size() + kCertificateSize, 0xC5);
    Pe::WriteU32(&file[table], kCertificateSize);
    Pe::WriteU16(&file[table + 4], 0x0200);
    Pe::WriteU16(&file[table + 6], 0x0002);
    Pe::WriteU32(&file[pe.uDataDirectories + 8 * Pe::kSecurityDirectory], table);
    Pe::WriteU32(&file[pe.uDataDirectories + 8 * Pe::kSecurityDirectory + 4], kCertificateSize);
    Pe::WriteU32(&file[pe.uChecksum], 0x12345);
    return file;
}

Bytes Pack(const Bytes& stub)
{
    Container::CArray<unsigned char> array, out;
    array.Append(stub.data(), (unsigned)stub.size());
    const char script[] = "<install><app-name>Tiny</app-name></install>";
    const Bytes item(1000, 'i');
    CPackItemList items;
    items.emplace_back(item.data(), item.size());
    CSmallString why;
    EXPECT_TRUE(BuildPackage(array, script, items, 9, out, why)) << why.GetText();
    return Bytes(out.GetData(), out.GetData() + out.GetSize());
}

class CCollect : public CByteSinkABC
{
public:
    bool Take(const unsigned char* data, uint32_t length) override
    {
        m_bytes.insert(m_bytes.end(), data, data + length);
        return true;
    }
    Bytes m_bytes;
};

} // namespace

TEST(UninstallerCopyTest, SignaturesOfTheStubAndOfTheInstaller)
{
    // Longer than the headers the copy holds back and than the stream's
    // pieces, so that both end inside a piece.
    Bytes stub = ReadBytes(std::string(KX_SOURCE_DIR) + "/tests/core/data/stub/tiny.exe");
    ASSERT_GT(stub.size(), 1024u);
    stub.resize(stub.size() + 300 * 1024, 0x5A);
    SPeHeaders pe;
    ASSERT_EQ(nullptr, ReadPeHeaders(stub.data(), stub.size(), pe));
    Bytes cleared = FakeSign(Pack(stub));
    cleared.resize(stub.size());
    std::fill_n(&cleared[pe.uDataDirectories + 8 * Pe::kSecurityDirectory], 8, 0);
    std::fill_n(&cleared[pe.uChecksum], 4, 0);

    struct SCase
    {
        const char* name;
        Bytes installer, uninstaller;
    };
    const SCase cases[] = {
        {"an unsigned stub", Pack(stub), stub},
        {"a stub signed before packing", Pack(FakeSign(stub)), FakeSign(stub)},
        {"an installer signed whole", FakeSign(Pack(stub)), cleared},
    };
    CTempDir dir;
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(dir.File("setup.exe"), c.installer);
        CSinReader streamed;
        ASSERT_TRUE(streamed.OpenPackage(dir.File("setup.exe").c_str())) << streamed.GetLastFailure();
        CCollect fromStream;
        ASSERT_TRUE(streamed.CopyUninstaller(fromStream));
        EXPECT_EQ(c.uninstaller, fromStream.m_bytes);
    }
}

TEST(UninstallerCopyTest, OnlyAProgramWithNothingAfterItsImageIsBare)
{
    const Bytes stub = ReadBytes(std::string(KX_SOURCE_DIR) + "/tests/core/data/stub/tiny.exe");
    SPeHeaders pe;
    ASSERT_EQ(nullptr, ReadPeHeaders(stub.data(), stub.size(), pe));
    const auto plus = [](Bytes file, size_t count) {
        file.resize(file.size() + count, 0);
        return file;
    };
    const Bytes installer = Pack(stub);
    Bytes signedWholeCopy = FakeSign(installer);
    signedWholeCopy.resize(stub.size()); // its entry still points past the end
    // The last section's raw data 3 bytes shorter: the image ends off the
    // 8-byte grid, and a signature starts after padding.
    Bytes offGrid(stub.begin(), stub.end() - 3);
    unsigned char* last = &offGrid[pe.uSectionTable + (pe.uSectionCount - 1) * Pe::kSectionHeaderSize];
    ASSERT_EQ(stub.size(), Pe::ReadU32(last + 20) + Pe::ReadU32(last + 16));
    Pe::WriteU32(last + 16, Pe::ReadU32(last + 16) - 3);
    Bytes headersPastEnd = stub;
    Pe::WriteU32(&headersPastEnd[pe.uOptionalHeader + 60], (uint32_t)stub.size() * 2);
    Bytes garbage(stub.size());
    for (size_t i = 0; i < garbage.size(); i++)
        garbage[i] = (unsigned char)(i * 131 + 7);

    struct SCase
    {
        const char* name;
        Bytes file;
        bool bare;
    };
    const SCase cases[] = {
        {"the bare stub", stub, true},
        {"a signed stub", FakeSign(stub), true},
        {"a signed stub whose image ends off the grid", FakeSign(offGrid), true},
        {"an image ending off the grid", offGrid, true},
        {"the copy of an installer signed whole", signedWholeCopy, true},
        {"an installer", installer, false},
        {"an installer of a signed stub", Pack(FakeSign(stub)), false},
        {"an installer signed whole", FakeSign(installer), false},
        {"an installer cut inside its package", Bytes(installer.begin(), installer.end() - 30), false},
        {"an installer cut to a byte of its package", Bytes(installer.begin(), installer.begin() + stub.size() + 1),
         false},
        {"the stub and a byte", plus(stub, 1), false},
        {"the stub and 8 bytes, signed", FakeSign(plus(stub, 8)), false},
        {"a signed stub and a byte", plus(FakeSign(stub), 1), false},
        {"the stub cut inside its image", Bytes(stub.begin(), stub.end() - 1), false},
        {"headers ending past the file", headersPastEnd, false},
        {"garbage", garbage, false},
        {"an empty file", Bytes(), false},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(c.bare, HoldsOnlyItsImage(c.file.data(), c.file.size(), c.file.size())) << c.name;
    // The headers are enough: the file's size does the rest.
    EXPECT_TRUE(HoldsOnlyItsImage(stub.data(), 4096, stub.size()));
    EXPECT_FALSE(HoldsOnlyItsImage(installer.data(), 4096, installer.size()));
}
