// The installer package: the packer's output read back by the reader, a
// package laid out by hand from the format description, and every kind of
// damaged package refused without keeping anything.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "HandBuiltBlock.h"
#include "PackageFormat.h"
#include "PackageWriter.h"
#include "FileText.h"
#include "SinReader.h"
#include "WholePackage.h"
#include "TestFiles.h"
#include "XMLDocument.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

typedef std::vector<unsigned char> Bytes;

Bytes ToBytes(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

Container::CArray<unsigned char> ToArray(const Bytes& b)
{
    Container::CArray<unsigned char> a;
    a.Append(b.data(), (unsigned)b.size());
    return a;
}

Bytes Pack(const Bytes& stub, const std::string& script, const std::vector<Bytes>& items, int level = 9,
           Package::ECompression compression = Package::Zlib)
{
    CPackItemList arr;
    for (const Bytes& item : items)
        arr.emplace_back(item.data(), item.size());
    Container::CArray<unsigned char> out;
    CSmallString why;
    EXPECT_TRUE(BuildPackage(ToArray(stub), CSmallString(script.data(), (int)script.size()), arr, level, out, why,
                             compression))
        << why.GetText();
    return Bytes(out.GetData(), out.GetData() + out.GetSize());
}

void PutU32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b.push_back((unsigned char)(v >> (8 * i)));
}

void PutText(Bytes& b, const char* s)
{
    b.insert(b.end(), s, s + strlen(s));
}

// The stub, the data block and the trailer: CRC "CRC" SIZE "SIZE" 1234 "KXCheck".
Bytes Frame(const Bytes& stub, const Bytes& block, uint32_t magic = 1234)
{
    Bytes file = stub;
    file.insert(file.end(), block.begin(), block.end());
    PutU32(file, CRCBitwise(block.data(), (uint32_t)block.size()));
    PutText(file, "CRC");
    PutU32(file, (uint32_t)block.size());
    PutText(file, "SIZE");
    PutU32(file, magic);
    PutText(file, "KXCheck");
    return file;
}

// A package assembled straight from the byte layout, independent of the
// packer.
Bytes Assemble(const Bytes& stub, const Bytes& payload, uint32_t magic = 1234,
               Package::ECompression compression = Package::Zlib)
{
    return Frame(stub, HandBuiltBlock(payload, compression), magic);
}

// The data block as the packer made it while it held the whole payload:
// each length, the script and each item given to deflate at once, with
// room for all the output.
Bytes DeflateWhole(const std::string& script, const std::vector<Bytes>& items, int level)
{
    z_stream zs;
    memset(&zs, 0, sizeof(zs));
    EXPECT_EQ(Z_OK, deflateInit(&zs, level));
    size_t payload = 8 + script.size();
    for (const Bytes& item : items)
        payload += 4 + item.size();
    Bytes block(deflateBound(&zs, (uLong)payload));
    zs.next_out = block.data();
    zs.avail_out = (uInt)block.size();
    const auto feed = [&](const void* data, size_t size, int flush) {
        zs.next_in = static_cast<Bytef*>(const_cast<void*>(data));
        zs.avail_in = (uInt)size;
        const int rc = deflate(&zs, flush);
        EXPECT_TRUE(flush == Z_FINISH ? rc == Z_STREAM_END : (rc == Z_OK || rc == Z_BUF_ERROR) && !zs.avail_in);
    };
    const auto feedU32 = [&](size_t v) {
        Bytes b;
        PutU32(b, (uint32_t)v);
        feed(b.data(), 4, Z_NO_FLUSH);
    };
    feedU32(script.size());
    feed(script.data(), script.size(), Z_NO_FLUSH);
    feedU32(items.size());
    for (const Bytes& item : items) {
        feedU32(item.size());
        feed(item.data(), item.size(), Z_NO_FLUSH);
    }
    feed(nullptr, 0, Z_FINISH);
    block.resize(zs.total_out);
    deflateEnd(&zs);
    return block;
}

Bytes Payload(const std::string& script, const std::vector<Bytes>& items)
{
    Bytes p;
    PutU32(p, (uint32_t)script.size());
    p.insert(p.end(), script.begin(), script.end());
    PutU32(p, (uint32_t)items.size());
    for (const Bytes& item : items) {
        PutU32(p, (uint32_t)item.size());
        p.insert(p.end(), item.begin(), item.end());
    }
    return p;
}

struct Extracted
{
    bool ok;
    std::string failure;
    std::string script;
    std::vector<Bytes> items;
    Bytes stub;
};

Extracted Extract(const Bytes& file)
{
    Container::CArray<unsigned char> array = ToArray(file);
    RemoveJunkFromTheEndOfTheArray(array);
    CWholePackage reader;
    Extracted r;
    r.ok = reader.ExtractFromDataBlock(array);
    r.failure = reader.GetLastFailure() ? reader.GetLastFailure() : "";
    r.script.assign(reader.GetScriptText().GetText(), reader.GetScriptText().GetLength());
    for (unsigned i = 0; i < reader.GetItems().GetSize(); i++) {
        const auto& item = reader.GetItems()[i];
        r.items.emplace_back(item.GetData(), item.GetData() + item.GetSize());
    }
    const auto& stub = reader.GetUninstallerImage();
    r.stub.assign(stub.GetData(), stub.GetData() + stub.GetSize());
    return r;
}

Bytes RandomBytes(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& c : b)
        c = (unsigned char)rng();
    return b;
}

const Bytes kStub = ToBytes("MZ\x90 this stands in for the installer program");

// What holds for a zlib package holds for an LZMA one.
class PackageLayout : public testing::TestWithParam<Package::ECompression>
{
};
class PackageDamage : public testing::TestWithParam<Package::ECompression>
{
};
class PackageWriter : public testing::TestWithParam<Package::ECompression>
{
};
std::string CompressionName(const testing::TestParamInfo<Package::ECompression>& info)
{
    std::string name = Package::CompressionName(info.param);
    std::replace(name.begin(), name.end(), '+', '_');
    return name;
}
const auto kEachCompression = testing::Values(Package::Zlib, Package::Lzma, Package::LzmaX86);
INSTANTIATE_TEST_SUITE_P(Each, PackageLayout, kEachCompression, CompressionName);
INSTANTIATE_TEST_SUITE_P(Each, PackageDamage, kEachCompression, CompressionName);
INSTANTIATE_TEST_SUITE_P(Each, PackageWriter, kEachCompression, CompressionName);

} // namespace

TEST(PackageCrc, MatchesTheBitwiseDefinition)
{
    EXPECT_EQ(0xFFFFFFFFu, CRC(nullptr, 0));
    EXPECT_EQ(0xFFFFFFFFu, CRCBitwise(nullptr, 0));
    const unsigned char abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(0xBC7DDB53u, CRC(abc, 3));
    EXPECT_EQ(0xBC7DDB53u, CRCBitwise(abc, 3));
    const Bytes data = RandomBytes(70000, 1);
    for (uint32_t len : {1u, 2u, 3u, 7u, 8u, 15u, 16u, 31u, 64u, 255u, 1000u, 4097u, 70000u})
        EXPECT_EQ(CRCBitwise(data.data(), len), CRC(data.data(), len)) << "length " << len;
    for (uint32_t offset = 1; offset < 8; offset++) // unaligned starts
        EXPECT_EQ(CRCBitwise(data.data() + offset, 999), CRC(data.data() + offset, 999));
    // In pieces of any size, the same as at once.
    for (uint32_t piece : {1u, 3u, 4096u, 65536u}) {
        uint32_t state = CRCStart();
        for (uint32_t at = 0; at < data.size(); at += piece)
            state = CRCAdd(state, data.data() + at, std::min<uint32_t>(piece, (uint32_t)data.size() - at));
        EXPECT_EQ(CRC(data.data(), (uint32_t)data.size()), CRCEnd(state)) << "pieces of " << piece;
    }
}

TEST(PackageTrailer, GetValueFromArrayEnd)
{
    Bytes b = ToBytes("xx");
    PutU32(b, 0xDEADBEEF);
    PutText(b, "SIZE");
    auto array = ToArray(b);
    uint32_t value = 7;
    EXPECT_FALSE(GetValueFromArrayEnd(array, "size", value)); // case matters
    EXPECT_FALSE(GetValueFromArrayEnd(array, "CRC", value));
    EXPECT_EQ(7u, value);
    EXPECT_EQ(b.size(), array.GetSize());
    EXPECT_TRUE(GetValueFromArrayEnd(array, "SIZE", value));
    EXPECT_EQ(0xDEADBEEFu, value);
    EXPECT_EQ(2u, array.GetSize());

    // The tag alone, with no room for its value in front, is not a trailer.
    auto shortArray = ToArray(ToBytes("abSIZE"));
    EXPECT_FALSE(GetValueFromArrayEnd(shortArray, "SIZE", value));
    EXPECT_EQ(6u, shortArray.GetSize());
    Container::CArray<unsigned char> empty;
    EXPECT_FALSE(GetValueFromArrayEnd(empty, "SIZE", value));
}

TEST(PackageTrailer, RemoveJunkCutsAfterTheLastMagic)
{
    const struct
    {
        std::string in, out;
    } cases[] = {
        {"abcKXCheckdefKXChecktail", "abcKXCheckdefKXCheck"},
        {"KXCheck", "KXCheck"},
        {"KXCheckjunk", "KXCheck"},
        {"no magic here", "no magic here"},
        {"KXChec", "KXChec"},
        {"", ""},
        {"xKXCheck", "xKXCheck"},
    };
    for (const auto& c : cases) {
        auto array = ToArray(ToBytes(c.in));
        RemoveJunkFromTheEndOfTheArray(array);
        EXPECT_EQ(c.out, std::string((const char*)array.GetData(), array.GetSize())) << c.in;
    }
}

TEST(PackageRoundTrip, PackerOutputReadsBack)
{
    std::vector<Bytes> many;
    for (int i = 0; i < 1000; i++)
        many.push_back(RandomBytes(i % 37, i));
    const struct
    {
        const char* name;
        std::string script;
        std::vector<Bytes> items;
    } cases[] = {
        {"empty script, no items", "", {}},
        {"script, no items", "<install><app-name>x</app-name></install>", {}},
        {"empty script with items", "", {ToBytes("one"), ToBytes("")}},
        {"many items", "<install/>", many},
        {"several doublings", "<install/>", {Bytes(3 << 20, 0), Bytes(1 << 20, 'a')}},
        {"incompressible", "<install/>", {RandomBytes(200000, 9)}},
        {"script with NUL bytes", std::string("a\0b\0", 4), {ToBytes("KXCheck inside an item")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto compression : {Package::Zlib, Package::Lzma, Package::LzmaX86})
        for (int level : {0, 9}) {
            SCOPED_TRACE(Package::CompressionName(compression));
            const Extracted r = Extract(Pack(kStub, c.script, c.items, level, compression));
            ASSERT_TRUE(r.ok) << r.failure;
            EXPECT_EQ(c.script, r.script);
            EXPECT_EQ(c.items, r.items);
            EXPECT_EQ(kStub, r.stub);
        }
    }
}

TEST_P(PackageLayout, HandBuiltPackageReadsBack)
{
    const std::vector<Bytes> items = {ToBytes("first"), RandomBytes(5000, 3)};
    const std::string script = "<install><terms id=\"0\"/></install>";
    const Extracted r = Extract(Assemble(kStub, Payload(script, items), 1234, GetParam()));
    ASSERT_TRUE(r.ok) << r.failure;
    EXPECT_EQ(script, r.script);
    EXPECT_EQ(items, r.items);
}

TEST(PackageRoundTrip, StreamedFromFilesTheSameBytesAsBuiltInMemory)
{
    // Files are read and deflated in pieces of about 1 MiB: sizes around
    // that, content that turns from text to noise across a piece's end, and
    // at level 0 an item whose end leaves over half a stored block.
    CTempDir dir;
    Bytes mixed(ToBytes(std::string(1 << 20, 'a')));
    const Bytes noise = RandomBytes((3 << 19) + 7, 8);
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    const std::vector<Bytes> contents = {
        ToBytes("first"), Bytes(1 << 20, 'z'), {}, mixed, RandomBytes(65535 + 40000, 3)};
    const bool inFile[] = {false, true, true, true, false};
    CPackItemList items;
    for (size_t i = 0; i < contents.size(); i++) {
        if (!inFile[i]) {
            items.emplace_back(contents[i].data(), contents[i].size());
            continue;
        }
        const std::string path = dir.File("item" + std::to_string(i));
        WriteBytes(path, contents[i]);
        CPackItem item;
        CSmallString why;
        ASSERT_TRUE(CPackItem::ListFile(path, item, why)) << why.GetText();
        items.push_back(std::move(item));
    }
    // Its length leaves 32760 bytes of a level-0 stored block pending where
    // the mixed item starts: a piece a few bytes off a multiple of 65535
    // would end a block early.
    const std::string script = "<install><terms id=\"0\"/>" + std::string(1212311, ' ') + "</install>";
    for (int level : {0, 1, 6, 9}) {
        Container::CArray<unsigned char> out;
        CSmallString why;
        ASSERT_TRUE(BuildPackage(ToArray(kStub), CSmallString(script.c_str()), items, level, out, why))
            << why.GetText();
        const Bytes expected = Frame(kStub, DeflateWhole(script, contents, level));
        EXPECT_TRUE(expected == Bytes(out.GetData(), out.GetData() + out.GetSize())) << "level " << level;
    }
    // LZMA pulls its input: the files read that way give what memory does.
    Container::CArray<unsigned char> fromFiles, fromMemory;
    CPackItemList inMemory;
    for (const Bytes& content : contents)
        inMemory.emplace_back(content.data(), content.size());
    CSmallString why;
    ASSERT_TRUE(BuildPackage(ToArray(kStub), CSmallString(script.c_str()), items, 1, fromFiles, why, Package::Lzma));
    ASSERT_TRUE(BuildPackage(ToArray(kStub), CSmallString(script.c_str()), inMemory, 1, fromMemory, why, Package::Lzma));
    EXPECT_TRUE(Bytes(fromFiles.GetData(), fromFiles.GetData() + fromFiles.GetSize()) ==
                Bytes(fromMemory.GetData(), fromMemory.GetData() + fromMemory.GetSize()));
    EXPECT_EQ(contents, Extract(Bytes(fromFiles.GetData(), fromFiles.GetData() + fromFiles.GetSize())).items);
    // The default level: the payload deflated whole (libdeflate, where the
    // build has it), inflated by zlib as any other.
    Container::CArray<unsigned char> strongest;
    ASSERT_TRUE(BuildPackage(ToArray(kStub), CSmallString(script.c_str()), items, -1, strongest, why));
    EXPECT_EQ(contents, Extract(Bytes(strongest.GetData(), strongest.GetData() + strongest.GetSize())).items);
}

TEST_P(PackageLayout, TailAfterTheTrailerIsIgnored)
{
    Bytes file = Pack(kStub, "<install/>", {ToBytes("item")}, 9, GetParam());
    const Bytes signature = RandomBytes(4096, 5); // what a code-signing tool appends
    file.insert(file.end(), signature.begin(), signature.end());
    const Extracted r = Extract(file);
    ASSERT_TRUE(r.ok) << r.failure;
    EXPECT_EQ("<install/>", r.script);
    EXPECT_EQ(kStub, r.stub);
}

TEST_P(PackageDamage, StubAloneAndWrongMagicAreRefused)
{
    Bytes stub = kStub;
    PutText(stub, "...KXCheck...constants"); // the real stub holds the magic text
    Extracted r = Extract(stub);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.failure.empty());

    r = Extract(Assemble(kStub, Payload("<install/>", {}), 1235, GetParam()));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(std::string::npos, r.failure.find("magic"));
    EXPECT_TRUE(Extract(Assemble(kStub, Payload("<install/>", {}), 1234, GetParam())).ok);
}

TEST_P(PackageDamage, EveryFlippedTrailerByteIsRefused)
{
    const Bytes good = Pack(kStub, "<install/>", {ToBytes("payload")}, 9, GetParam());
    for (size_t i = good.size() - Package::kTrailerSize; i < good.size(); i++) {
        Bytes bad = good;
        bad[i] ^= 0xFF;
        const Extracted r = Extract(bad);
        EXPECT_FALSE(r.ok) << "trailer byte " << i - (good.size() - Package::kTrailerSize);
        EXPECT_TRUE(r.items.empty() && r.script.empty() && r.stub.empty());
    }
}

TEST_P(PackageDamage, FlippedDataBytesAreRefused)
{
    const std::vector<Bytes> items = {RandomBytes(300, 7), ToBytes("hello hello hello hello")};
    const Bytes good = Pack(kStub, "<install>x</install>", items, 9, GetParam());
    const size_t blockStart = kStub.size();
    const size_t blockEnd = good.size() - Package::kTrailerSize;
    for (size_t i = blockStart; i < blockEnd; i++) {
        Bytes bad = good;
        bad[i] ^= 0x01;
        EXPECT_FALSE(Extract(bad).ok) << "data byte " << i - blockStart;

        // With the CRC mended the damage reaches the decoder: it must be
        // refused, or (a flipped padding bit, a dictionary still large
        // enough) give back exactly the same package.
        const uint32_t crc = CRCBitwise(bad.data() + blockStart, (uint32_t)(blockEnd - blockStart));
        Package::WriteU32(bad.data() + blockEnd, crc);
        const Extracted r = Extract(bad);
        if (r.ok) {
            EXPECT_EQ(items, r.items) << "data byte " << i - blockStart;
        } else {
            EXPECT_TRUE(r.items.empty());
        }
    }
}

TEST_P(PackageDamage, TruncationAtAnyOffsetIsRefused)
{
    const Bytes good = Pack(kStub, "<install/>", {RandomBytes(2000, 11), ToBytes("tail item")}, 9, GetParam());
    for (size_t len = 0; len < good.size(); len += (len < 64 || len > good.size() - 64) ? 1 : 13) {
        const Bytes cut(good.begin(), good.begin() + len);
        EXPECT_FALSE(Extract(cut).ok) << "cut at " << len;
    }
}

TEST_P(PackageDamage, LyingLengthsAreRefusedWithoutHugeAllocations)
{
    struct Case
    {
        const char* name;
        Bytes payload;
    };
    std::vector<Case> cases;
    Bytes p;
    cases.push_back({"empty payload", Bytes()});
    cases.push_back({"payload shorter than L", Bytes{1, 0}});
    p.clear();
    PutU32(p, 0xFFFFFFF0); // L far beyond the payload
    PutText(p, "<install/>");
    cases.push_back({"L too large", p});
    p.clear();
    PutU32(p, 3);
    PutText(p, "abc"); // no item count follows
    cases.push_back({"N missing", p});
    p.clear();
    PutU32(p, 0);
    PutU32(p, 0x7FFFFFFF); // N with no items behind it
    cases.push_back({"N too large", p});
    p.clear();
    PutU32(p, 0);
    PutU32(p, 2);
    PutU32(p, 1);
    p.push_back('x');
    PutU32(p, 0x40000000); // second item claims 1 GiB
    p.push_back('y');
    cases.push_back({"Li too large", p});
    p.clear();
    PutU32(p, 0);
    PutU32(p, 1);
    PutU32(p, 10);
    PutText(p, "short");
    cases.push_back({"item cut short", p});
    for (const Case& c : cases) {
        const Extracted r = Extract(Assemble(kStub, c.payload, 1234, GetParam()));
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_TRUE(r.items.empty()) << c.name;
    }

    // Bytes after the last item are allowed and ignored.
    p = Payload("<install/>", {ToBytes("a")});
    PutText(p, "trailing bytes");
    EXPECT_TRUE(Extract(Assemble(kStub, p, 1234, GetParam())).ok);
}

TEST_P(PackageDamage, SizeAndBlockMismatches)
{
    // SIZE larger than the file, and a zero-length data block.
    Bytes file = kStub;
    PutU32(file, CRCBitwise(nullptr, 0));
    PutText(file, "CRC");
    PutU32(file, 0);
    PutText(file, "SIZE");
    PutU32(file, 1234);
    PutText(file, "KXCheck");
    EXPECT_FALSE(Extract(file).ok);

    Bytes huge = Pack(kStub, "<install/>", {}, 9, GetParam());
    Package::WriteU32(huge.data() + huge.size() - 19, 0xFFFFFF00);
    const Extracted r = Extract(huge);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(std::string::npos, r.failure.find("larger than the file"));

    // A data block of plain bytes with a correct CRC is no stream; nor is
    // one whose header asks for more than a reader holds.
    const bool lzma = GetParam() != Package::Zlib;
    const Bytes sound = HandBuiltBlock(Payload("<install/>", {ToBytes("x")}), lzma ? GetParam() : Package::Lzma);
    Bytes bigDictionary = sound, wideLiterals = sound, noCheck = sound, wrongCheck = sound;
    Package::WriteU32(&bigDictionary[5], Package::kMaxLzmaDictionary + 1);
    wideLiterals[4] = 2 * 9 * 5 + 1 * 9 + 4; // pb=2 lp=1 lc=4
    noCheck.resize(noCheck.size() - 4);
    wrongCheck.back() ^= 1;
    std::vector<Bytes> notStreams = {ToBytes("this is not a zlib stream")};
    const std::string tag = Package::LzmaTag(GetParam());
    if (lzma)
        notStreams = {ToBytes(tag + "] this is no LZMA stream"), ToBytes(tag), bigDictionary, wideLiterals, noCheck,
                      wrongCheck};
    for (const Bytes& block : notStreams) {
        EXPECT_FALSE(Extract(Frame(kStub, block)).ok) << std::string(block.begin(), block.begin() + 4);
    }
    EXPECT_TRUE(Extract(Frame(kStub, sound)).ok);
}

TEST_P(PackageWriter, FileThatChangedSinceListedIsRefused)
{
    CTempDir dir;
    const size_t piece = 16 * 65535; // what the writer reads at once
    const struct
    {
        size_t listed, packed; // packed: SIZE_MAX = removed
    } cases[] = {
        {10, 11}, {10, 9}, {3, 0}, {0, 1}, {piece, piece + 1}, {3 * piece, 3 * piece - 1}, {10, SIZE_MAX},
    };
    for (const auto& c : cases) {
        const std::string what = std::to_string(c.listed) + " -> " + std::to_string(c.packed);
        const std::string path = dir.File("item");
        WriteBytes(path, Bytes(c.listed, 'x'));
        CPackItemList items;
        items.emplace_back("in memory", 9);
        CPackItem item;
        CSmallString why;
        ASSERT_TRUE(CPackItem::ListFile(path, item, why)) << why.GetText();
        items.push_back(std::move(item));
        if (c.packed == SIZE_MAX)
            remove(path.c_str());
        else
            WriteBytes(path, Bytes(c.packed, 'x'));
        Container::CArray<unsigned char> out;
        EXPECT_FALSE(BuildPackage(ToArray(kStub), "<install/>", items, 6, out, why, GetParam())) << what;
        EXPECT_NE(std::string::npos, std::string(why.GetText()).find(path)) << what << ": " << why.GetText();
        EXPECT_NE(std::string::npos,
                  std::string(why.GetText()).find(c.packed == SIZE_MAX ? "cannot read" : "changed size"))
            << what << ": " << why.GetText();
    }
}

// Past the format's 32-bit sizes: an item of 4 GiB is refused before
// anything is read; a data block reaching 4 GiB when the writer gets there
// (one file packed 4097 times, stored at level 0).
TEST(PackageWriterLimits, FourGiBLimits)
{
    class CCountingStore : public CStoreABC
    {
    public:
        uint32_t GetSize() override { return 0; }
        void Read(void*, uint32_t) override {}
        void Write(const void*, uint32_t size) override { ullWritten += size; }
        unsigned long long ullWritten = 0;
    };
    CTempDir dir;
    const unsigned long long fourGiB = 1ull << 32;
    const struct
    {
        unsigned long long size;
        unsigned count;
        unsigned long long mostWritten;
        const char* expect;
    } cases[] = {
#ifndef _WIN32 // a sparse file
        {fourGiB, 1, 0, "is 4294967296 bytes: an item must be smaller than 4 GiB"},
#endif
        {1 << 20, 4097, fourGiB - 1, "the data block would reach 4 GiB"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.File("item");
        WriteBytes(path, Bytes(c.size < fourGiB ? c.size : 0));
#ifndef _WIN32
        ASSERT_EQ(0, truncate(path.c_str(), (off_t)c.size)) << c.size;
#endif
        CPackItem item;
        CSmallString why;
        ASSERT_TRUE(CPackItem::ListFile(path, item, why)) << why.GetText();
        const CPackItemList items(c.count, item);
        CCountingStore out;
        uint32_t blockSize = 1;
        EXPECT_FALSE(BuildPackage(ToArray(kStub), "<install/>", items, 0, out, blockSize, why)) << c.size;
        EXPECT_NE(std::string::npos, std::string(why.GetText()).find(c.expect)) << why.GetText();
        EXPECT_LE(out.ullWritten, c.mostWritten) << c.size;
        EXPECT_EQ(0u, blockSize);
    }
}

TEST(PackageFile, ReadFileIntoArray)
{
    CTempDir dir;
    const Bytes data = RandomBytes(100000, 4);
    WriteBytes(dir.File("installer.exe"), data);
    Container::CArray<unsigned char> array;
    ASSERT_TRUE(ReadFileIntoArray(dir.File("installer.exe").c_str(), array));
    EXPECT_EQ(data, Bytes(array.GetData(), array.GetData() + array.GetSize()));

    WriteBytes(dir.File("empty"), {});
    EXPECT_TRUE(ReadFileIntoArray(dir.File("empty").c_str(), array));
    EXPECT_EQ(0u, array.GetSize());

    EXPECT_FALSE(ReadFileIntoArray(dir.File("missing.exe").c_str(), array));
    EXPECT_FALSE(ReadFileIntoArray(dir.Path().c_str(), array)); // a folder
    EXPECT_EQ(0u, array.GetSize());
}

TEST(PackageScript, OpeningLoadsTheScriptDocument)
{
    // The installer's reader, over a file as the installer reads its own.
    auto open = [](CSinReader& reader, const Bytes& installer) {
        FILE* file = tmpfile();
        return file && fwrite(installer.data(), 1, installer.size(), file) == installer.size() &&
               reader.OpenPackage(file);
    };
    CSinReader reader;
    ASSERT_TRUE(open(reader, Pack(kStub, "<?xml version=\"1.0\"?><install><app-name>Hello</app-name></install>", {})));
    ASSERT_NE(nullptr, reader.GetDocument());
    const CXMLNode* install = reader.GetDocument()->FindNode("install");
    ASSERT_NE(nullptr, install);
    ASSERT_NE(nullptr, install->FindNode("app-name"));
    EXPECT_EQ(install->FindNode("app-name")->GetText(), "Hello");
    EXPECT_EQ(reader.GetSection(), "install");

    // Any text is accepted as the script; what the document makes of it is
    // the engine's concern.
    for (const std::string& script : {std::string(), std::string("not xml at all <<<"), std::string("\0\0", 2)}) {
        CSinReader r;
        EXPECT_TRUE(open(r, Pack(kStub, script, {ToBytes("x")}))) << r.GetLastFailure();
        EXPECT_EQ(1u, r.GetItemCount());
    }
}
