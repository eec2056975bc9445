// uninstall.exe is the installer's stub part: a signature made for the stub
// before packing stays whole in it, also when the finished installer was
// signed as well (which rewrote the stub's certificate entry and checksum:
// both are restored from the table after the stub's image), while the
// certificate entry of a signature made for the whole installer alone,
// which would point past the end of the copy, is cleared. What a program
// holds after its image decides whether it may act as uninstall.exe: a
// program carrying a package, sound or not, never does.
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

// WIN_CERTIFICATEs (revision 2.0, PKCS#7 SignedData, DER inside) appended
// on 8-byte boundaries, the security entry naming them and the checksum
// computed, as signing tools leave a file.
Bytes FakeSign(Bytes file, unsigned certificates = 1, uint16_t revision = 0x0200)
{
    SPeHeaders pe;
    EXPECT_EQ(nullptr, ReadPeHeaders(file.data(), file.size(), pe));
    file.resize((file.size() + 7) / 8 * 8);
    const uint32_t table = (uint32_t)file.size();
    for (unsigned i = 0; i < certificates; i++) {
        const size_t at = file.size();
        file.resize(at + kCertificateSize, 0xC5);
        Pe::WriteU32(&file[at], kCertificateSize);
        Pe::WriteU16(&file[at + 4], revision);
        Pe::WriteU16(&file[at + 6], 0x0002);
        file[at + 8] = 0x30;
    }
    Pe::WriteU32(&file[pe.uDataDirectories + 8 * Pe::kSecurityDirectory], table);
    Pe::WriteU32(&file[pe.uDataDirectories + 8 * Pe::kSecurityDirectory + 4], (uint32_t)file.size() - table);
    Pe::WriteU32(&file[pe.uChecksum], PeChecksum(file.data(), file.size(), pe.uChecksum));
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
    // The last section grows with them: a certificate table follows the image.
    Bytes stub = ReadBytes(std::string(KX_SOURCE_DIR) + "/tests/core/data/stub/tiny.exe");
    ASSERT_GT(stub.size(), 1024u);
    SPeHeaders pe;
    ASSERT_EQ(nullptr, ReadPeHeaders(stub.data(), stub.size(), pe));
    const uint32_t grown = 300 * 1024;
    stub.resize(stub.size() + grown, 0x5A);
    unsigned char* lastSection = &stub[pe.uSectionTable + (pe.uSectionCount - 1) * Pe::kSectionHeaderSize];
    Pe::WriteU32(lastSection + 16, Pe::ReadU32(lastSection + 16) + grown);
    ASSERT_TRUE(HoldsOnlyItsImage(stub.data(), stub.size(), stub.size()));
    const uint32_t entry = pe.uDataDirectories + 8 * Pe::kSecurityDirectory;
    // The stub part of an installer signed whole, its entry and checksum cleared.
    const auto cleared = [&](Bytes file) {
        std::fill_n(&file[entry], 8, 0);
        std::fill_n(&file[pe.uChecksum], 4, 0);
        return file;
    };
    // The last section's raw data 3 bytes shorter: the image ends off the
    // 8-byte grid, and the table starts after padding.
    Bytes offGrid(stub.begin(), stub.end() - 3);
    unsigned char* last = &offGrid[pe.uSectionTable + (pe.uSectionCount - 1) * Pe::kSectionHeaderSize];
    Pe::WriteU32(last + 16, Pe::ReadU32(last + 16) - 3);
    const Bytes signedStub = FakeSign(stub);
    const Bytes cutTable(signedStub.begin(), signedStub.end() - 8);
    Bytes tooLong = signedStub, badDer = signedStub, moved = signedStub;
    Pe::WriteU32(&tooLong[stub.size()], 0xFFFFFFF8u);
    badDer[stub.size() + 8] = 0x31;
    Pe::WriteU32(&moved[entry], 0xFFFFFFF0u);
    Bytes garbage = stub;
    garbage.resize(stub.size() + 48, 0xC5);
    // Cut inside its section table: the headers can't be read.
    const Bytes headersOnly(stub.begin(), stub.begin() + pe.uSectionTable + 8);
    Bytes headersInstaller = Pack(headersOnly);
    Pe::WriteU32(&headersInstaller[entry], 0xFFFFFFF0u);

    struct SCase
    {
        const char* name;
        Bytes installer, uninstaller;
    };
    const SCase cases[] = {
        {"an unsigned stub", Pack(stub), stub},
        {"a stub signed before packing", Pack(signedStub), signedStub},
        {"an installer signed whole", FakeSign(Pack(stub)), cleared(stub)},
        // The stub's own signature back, byte for byte.
        {"a signed stub, the installer signed whole", FakeSign(Pack(signedStub)), signedStub},
        {"a stub with two certificates, the installer signed whole", FakeSign(Pack(FakeSign(stub, 2))),
         FakeSign(stub, 2)},
        {"a signed stub whose image ends off the grid, the installer signed whole", FakeSign(Pack(FakeSign(offGrid))),
         FakeSign(offGrid)},
        // Anything but a sound table after the image: what points past the end goes.
        {"a certificate table cut short", FakeSign(Pack(cutTable)), cleared(cutTable)},
        {"a certificate longer than the file", FakeSign(Pack(tooLong)), cleared(tooLong)},
        {"a certificate of another revision", FakeSign(Pack(FakeSign(stub, 1, 0x0100))),
         cleared(FakeSign(stub, 1, 0x0100))},
        {"a certificate without DER inside", FakeSign(Pack(badDer)), cleared(badDer)},
        {"bytes after the image that are no table", FakeSign(Pack(garbage)), cleared(garbage)},
        {"a signed stub whose entry was changed", Pack(moved), signedStub},
        {"headers cut short", headersInstaller, Bytes(headersInstaller.begin(), headersInstaller.begin() + headersOnly.size())},
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
