// The package read as a stream against the whole-file reader: the same
// packages accepted and refused, the same bytes out, in any order of items.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "HandBuiltBlock.h"
#include "PackageFormat.h"
#include "PackageStream.h"
#include "PackageWriter.h"
#include "WholePackage.h"
#include "TestFiles.h"
#include "X86Filter.h"
#ifdef _WIN32
#include "DecodeAhead.h"
#endif

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

// The ways the stream decodes: in the reader's own calls, and (in the
// installer) on a thread ahead of them.
std::vector<bool> Ways()
{
#ifdef _WIN32
    return {false, true};
#else
    return {false};
#endif
}

void DecodeAheadIf(CPackageStream& stream, bool ahead)
{
#ifdef _WIN32
    if (ahead)
        stream.WrapDecoder(NewDecodeAhead);
#else
    (void)stream;
    (void)ahead;
#endif
}

// The same through the stream: every item, in the order given, and then
// the rest of the stream checked.
bool ReadStreamed(const Bytes& file, const std::vector<unsigned>& order, std::vector<Bytes>& items, std::string& script,
                  bool ahead = false)
{
    FILE* f = tmpfile();
    fwrite(file.data(), 1, file.size(), f);
    CPackageStream stream;
    if (!stream.Open(f))
        return false;
    DecodeAheadIf(stream, ahead);
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

// Bytes as a program has them: calls and jumps (E8, E9) to a few targets
// with displacements of every top byte, E8 as the last byte of another
// instruction right before a call, and runs of E8 and E9.
Bytes CodeLike(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    Bytes b;
    const uint32_t targets[] = {0x1000, 0x2345, 0x40000, 0x123456, 0xFF000000};
    while (b.size() < n) {
        const uint32_t r = rng();
        const uint32_t target = targets[r % 5];
        switch (r >> 8 & 7) {
        case 0: b.push_back(0x8B); b.push_back(0xE8); break; // E8 in a ModRM byte
        case 1: b.insert(b.end(), {0xE8, 0xE8, 0xE9}); break;
        case 2: b.push_back((unsigned char)(r >> 16)); break;
        default: break;
        }
        const uint32_t displacement = target - (uint32_t)(b.size() + 5);
        b.push_back(r & 0x10000 ? 0xE9 : 0xE8);
        for (int i = 0; i < 4; i++)
            b.push_back((unsigned char)(displacement >> 8 * i));
    }
    b.resize(n);
    return b;
}

// Every reading over each compression.
class PackageStream : public testing::TestWithParam<Package::ECompression>
{
};
INSTANTIATE_TEST_SUITE_P(Each, PackageStream, testing::Values(Package::Zlib, Package::Lzma, Package::LzmaX86),
                         [](const testing::TestParamInfo<Package::ECompression>& info) {
                             std::string name = Package::CompressionName(info.param);
                             std::replace(name.begin(), name.end(), '+', '_');
                             return name;
                         });

} // namespace

TEST_P(PackageStream, ReadsWhatTheWholeFileReaderReads)
{
    const Bytes big = RandomBytes(700000, 3); // larger than the stream's buffers
    // Compresses well, yet no two neighbouring pieces read alike.
    Bytes pattern(3 << 20);
    for (size_t i = 0; i < pattern.size(); i++)
        pattern[i] = (unsigned char)(i % 251 + i / 4096);
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
        {"large items", "<install/>", {big, pattern, Bytes{9}}, ""},
        {"program code across the buffers", "<install/>", {CodeLike(300007, 1), Bytes{0xE8, 0, 0}, CodeLike(9, 2)}, ""},
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
        for (const bool ahead : Ways())
            for (const auto& order : {forward, backward}) {
                ASSERT_TRUE(ReadStreamed(file, order, streamed, streamedScript, ahead)) << c.label << ahead;
                EXPECT_EQ(wholeScript, streamedScript) << c.label;
                EXPECT_EQ(whole, streamed) << c.label << ahead;
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
        for (const bool ahead : Ways()) {
            const bool streamOk = ReadStreamed(mutants[m], {0, 1}, streamed, s2, ahead);
            EXPECT_EQ(wholeOk, streamOk) << "mutant " << m << (ahead ? ", decoded ahead" : "");
            if (wholeOk && streamOk) {
                EXPECT_EQ(whole, streamed) << "mutant " << m;
            }
        }
        refused += !wholeOk;
    }
    EXPECT_GT(refused, 200u); // most changes to a stream are caught
}

TEST_P(PackageStream, AStoppedCopyLeavesTheStreamUsable)
{
    const std::vector<Bytes> items = {RandomBytes(600000, 5), Bytes{1, 2, 3}, RandomBytes(300000, 6)};
    const Bytes file = Pack("<install/>", items, GetParam());
    for (const bool ahead : Ways()) {
        SCOPED_TRACE(ahead ? "decoded ahead" : "decoded in the calls");
        FILE* f = tmpfile();
        fwrite(file.data(), 1, file.size(), f);
        CPackageStream stream;
        ASSERT_TRUE(stream.Open(f));
        DecodeAheadIf(stream, ahead);
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
}

// The filter in pieces of any size gives what it gives over the whole, is
// undone by its reverse, and makes calls of one target alike.
TEST(X86Filter, PiecesAndWholeAgreeAndReverse)
{
    const Bytes code = CodeLike(200000, 7);
    Bytes whole = code;
    X86Filter::Convert(X86Filter::Encode, whole.data(), (uint32_t)whole.size(), 0);
    EXPECT_NE(code, whole);
    // "E8 <0x1000 - next>" at two places both read "E8 00 10 00 00" once filtered.
    Bytes twoCalls(40, 0x90);
    for (uint32_t at : {3u, 27u}) {
        twoCalls[at] = 0xE8;
        Package::WriteU32(&twoCalls[at + 1], 0x1000 - (at + 5));
    }
    X86Filter::Convert(X86Filter::Encode, twoCalls.data(), (uint32_t)twoCalls.size(), 0);
    EXPECT_TRUE(std::equal(&twoCalls[3], &twoCalls[8], &twoCalls[27]));
    EXPECT_EQ(0x1000u, Package::ReadU32(&twoCalls[4]));

    for (const size_t piece : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 4096u, 65539u, 200000u}) {
        SCOPED_TRACE(piece);
        for (const auto direction : {X86Filter::Encode, X86Filter::Decode}) {
            const Bytes& in = direction == X86Filter::Encode ? code : whole;
            CX86FilterStage stage(direction);
            Bytes out;
            for (size_t at = 0; at < in.size() || stage.ReadyCount();) {
                if (!stage.ReadyCount()) {
                    unsigned char* tail = stage.Tail();
                    const size_t n = std::min<size_t>({piece, stage.Space(), in.size() - at});
                    std::copy(in.begin() + at, in.begin() + at + n, tail);
                    at += n;
                    stage.Added((uint32_t)n, at == in.size());
                }
                out.insert(out.end(), stage.Ready(), stage.Ready() + stage.ReadyCount());
                stage.Taken(stage.ReadyCount());
            }
            EXPECT_EQ(direction == X86Filter::Encode ? whole : code, out);
        }
    }
}
