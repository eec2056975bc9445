// The package read as a stream against the whole-file reader: the same
// packages accepted and refused, the same bytes out, in any order of items.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "HandBuiltBlock.h"
#include "PackageFormat.h"
#include "PackageStream.h"
#include "PackageWriter.h"
#include "WholePackage.h"
#include "TestFiles.h"

namespace {

typedef std::vector<unsigned char> Bytes;

class CToBytes : public CByteSinkABC
{
public:
    explicit CToBytes(Bytes& out, size_t stopAfter = ~size_t(0)) : m_out(out), m_stopAfter(stopAfter) {}
    bool Begin(uint32_t) override
    {
        m_out.clear();
        return true;
    }
    bool Take(const unsigned char* data, uint32_t length) override
    {
        m_out.insert(m_out.end(), data, data + length);
        return m_out.size() < m_stopAfter;
    }

private:
    Bytes& m_out;
    size_t m_stopAfter;
};

Bytes Pack(const std::string& script, const std::vector<Bytes>& items, Package::ECompression compression)
{
    CPackItemList arr;
    for (const Bytes& item : items)
        arr.emplace_back(item.data(), item.size());
    Container::CArray<unsigned char> stub, out;
    stub.Append(reinterpret_cast<const unsigned char*>("MZ stub KXCheck in the stub's constants"), 39);
    CSmallString why;
    EXPECT_TRUE(BuildPackage(stub, CSmallString(script.data(), (int)script.size()), arr, 6, out, why, compression));
    return Bytes(out.GetData(), out.GetData() + out.GetSize());
}

// What the whole-file reader makes of the bytes: refused, or the items.
bool ReadWhole(const Bytes& file, std::vector<Bytes>& items, std::string& script)
{
    Container::CArray<unsigned char> array;
    array.Append(file.data(), (unsigned)file.size());
    RemoveJunkFromTheEndOfTheArray(array);
    CWholePackage reader;
    if (!reader.ExtractFromDataBlock(array))
        return false;
    items.clear();
    for (unsigned i = 0; i < reader.GetItems().GetSize(); i++)
        items.emplace_back(reader.GetItems()[i].GetData(), reader.GetItems()[i].GetData() + reader.GetItems()[i].GetSize());
    script = reader.GetScriptText().GetText();
    return true;
}

// The same through the stream: every item, in the order given, and then
// the rest of the stream checked.
bool ReadStreamed(const Bytes& file, const std::vector<unsigned>& order, std::vector<Bytes>& items,
                  std::string& script)
{
    FILE* f = tmpfile();
    fwrite(file.data(), 1, file.size(), f);
    CPackageStream stream;
    if (!stream.Open(f))
        return false;
    script = stream.GetScript().GetText();
    items.assign(stream.GetItemCount(), Bytes());
    for (unsigned id : order) {
        if (id >= items.size())
            continue;
        CToBytes sink(items[id]);
        if (!stream.CopyItem(id, sink)) {
            EXPECT_NE(nullptr, stream.GetFailure()) << "a failure says why";
            return false;
        }
    }
    return stream.VerifyRest();
}

Bytes RandomBytes(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& c : b)
        c = (unsigned char)(rng() & 0xFF);
    return b;
}

// Every reading over either compression.
class PackageStream : public testing::TestWithParam<Package::ECompression>
{
};
INSTANTIATE_TEST_SUITE_P(Both, PackageStream, testing::Values(Package::Zlib, Package::Lzma),
                         [](const testing::TestParamInfo<Package::ECompression>& info) {
                             return std::string(Package::CompressionName(info.param));
                         });

} // namespace

TEST_P(PackageStream, ReadsWhatTheWholeFileReaderReads)
{
    const Bytes big = RandomBytes(700000, 3); // larger than the stream's buffers
    const struct
    {
        const char* label;
        std::string script;
        std::vector<Bytes> items;
        std::string tail;
    } cases[] = {
        {"no items", "<install/>", {}, ""},
        {"empty script", "", {Bytes{1, 2}}, ""},
        {"zero-length items", "<install/>", {Bytes(), Bytes{7}, Bytes()}, ""},
        {"large items", "<install/>", {big, Bytes(3 << 20, 0), Bytes{9}}, ""},
        {"a signature tail", "<install/>", {Bytes{1, 2, 3}}, std::string(5000, 's')},
    };
    for (const auto& c : cases) {
        Bytes file = Pack(c.script, c.items, GetParam());
        file.insert(file.end(), c.tail.begin(), c.tail.end());
        std::vector<Bytes> whole, streamed;
        std::string wholeScript, streamedScript;
        ASSERT_TRUE(ReadWhole(file, whole, wholeScript)) << c.label;
        const unsigned n = (unsigned)c.items.size();
        std::vector<unsigned> forward, backward;
        for (unsigned i = 0; i < n; i++) {
            forward.push_back(i);
            backward.push_back(n - 1 - i);
        }
        for (const auto& order : {forward, backward}) {
            ASSERT_TRUE(ReadStreamed(file, order, streamed, streamedScript)) << c.label;
            EXPECT_EQ(wholeScript, streamedScript) << c.label;
            EXPECT_EQ(whole, streamed) << c.label;
            EXPECT_EQ(c.items, streamed) << c.label;
        }
    }
}

TEST_P(PackageStream, RefusesWhatTheWholeFileReaderRefuses)
{
    const Bytes good =
        Pack("<install><file id=\"0\"/></install>", {RandomBytes(5000, 1), Bytes(200000, 'a')}, GetParam());
    std::vector<Bytes> mutants;
    mutants.push_back(Bytes(good.begin(), good.begin() + 39));           // the stub alone
    mutants.push_back(Bytes(good.begin(), good.begin() + good.size() / 2)); // cut short
    for (size_t at : {good.size() - 1, good.size() - 12, good.size() - 16, good.size() - 23}) {
        Bytes b = good;
        b[at] ^= 0x55; // a tag or the magic value
        mutants.push_back(b);
    }
    // Bytes of the data block changed with the CRC made right again: only
    // inflating can tell, at start-up or later.
    const uint32_t size = Package::ReadU32(good.data() + good.size() - 19);
    const size_t blockStart = good.size() - Package::kTrailerSize - size;
    std::mt19937 rng(7);
    for (int i = 0; i < 300; i++) {
        Bytes b = good;
        const size_t at = blockStart + rng() % size;
        b[at] ^= (unsigned char)(1 + rng() % 255);
        Package::WriteU32(&b[b.size() - Package::kTrailerSize], CRC(&b[blockStart], size));
        mutants.push_back(b);
    }
    // A lying length inside an otherwise sound stream.
    {
        std::string payload;
        auto put = [&](uint32_t v) {
            unsigned char w[4];
            Package::WriteU32(w, v);
            payload.append(reinterpret_cast<char*>(w), 4);
        };
        put(3);
        payload += "<a>";
        put(2);
        put(4);
        payload += "abcd";
        put(4000000); // more than the stream holds
        payload += "x";
        const Bytes block = HandBuiltBlock(Bytes(payload.begin(), payload.end()), GetParam());
        // Appended a byte at a time: GCC 12 warns wrongly about range inserts here.
        Bytes b(good.begin(), good.begin() + 39);
        auto append = [&b](const void* data, size_t n) {
            for (size_t i = 0; i < n; i++)
                b.push_back(static_cast<const unsigned char*>(data)[i]);
        };
        auto appendU32 = [&append](uint32_t v) {
            unsigned char w[4];
            Package::WriteU32(w, v);
            append(w, 4);
        };
        append(block.data(), block.size());
        appendU32(CRC(block.data(), (uint32_t)block.size()));
        append("CRC", 3);
        appendU32((uint32_t)block.size());
        append("SIZE", 4);
        appendU32(1234);
        append("KXCheck", 7);
        mutants.push_back(b);
    }
    unsigned refused = 0;
    for (size_t m = 0; m < mutants.size(); m++) {
        std::vector<Bytes> whole, streamed;
        std::string s1, s2;
        const bool wholeOk = ReadWhole(mutants[m], whole, s1);
        const bool streamOk = ReadStreamed(mutants[m], {0, 1}, streamed, s2);
        EXPECT_EQ(wholeOk, streamOk) << "mutant " << m;
        if (wholeOk && streamOk) {
            EXPECT_EQ(whole, streamed) << "mutant " << m;
        }
        refused += !wholeOk;
    }
    EXPECT_GT(refused, 200u); // most changes to a stream are caught
}

TEST_P(PackageStream, AStoppedCopyLeavesTheStreamUsable)
{
    const std::vector<Bytes> items = {RandomBytes(600000, 5), Bytes{1, 2, 3}, RandomBytes(300000, 6)};
    const Bytes file = Pack("<install/>", items, GetParam());
    FILE* f = tmpfile();
    fwrite(file.data(), 1, file.size(), f);
    CPackageStream stream;
    ASSERT_TRUE(stream.Open(f));
    Bytes got;
    CToBytes stopping(got, 100000);
    EXPECT_FALSE(stream.CopyItem(0, stopping));
    EXPECT_EQ(nullptr, stream.GetFailure()); // stopped, not damaged
    for (unsigned id : {1u, 0u, 2u, 2u}) {
        CToBytes sink(got);
        ASSERT_TRUE(stream.CopyItem(id, sink)) << id;
        EXPECT_EQ(items[id], got) << id;
    }
    CToBytes sink(got);
    EXPECT_FALSE(stream.CopyItem(3, sink));
    EXPECT_NE(nullptr, stream.GetFailure());
    Bytes stub;
    CToBytes stubSink(stub);
    ASSERT_TRUE(stream.CopyStub(stubSink));
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 39), stub);
    EXPECT_LT(stream.GetBlockConsumed(), stream.GetBlockSize() + 1);
}
