// The package checksum and extraction: the fast checksum against its bitwise
// definition, and extraction of a 64 MiB package (zlib or LZMA) by one
// streaming pass against inflating the whole payload with uncompress() and a doubling
// buffer, then splitting it.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "CountingAllocator.h"
#include "PackageFormat.h"
#include "PackageStream.h"
#include "PackageWriter.h"
#include "SinReader.h"
#include "XMLDocument.h"

namespace {

std::vector<unsigned char> RandomBytes(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<unsigned char> b(n);
    for (auto& c : b)
        c = (unsigned char)rng();
    return b;
}

void BM_CrcBitwise(benchmark::State& state)
{
    const auto data = RandomBytes(1 << 20, 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(CRCBitwise(data.data(), (uint32_t)data.size()));
    state.SetBytesProcessed(state.iterations() * (int64_t)data.size());
}
BENCHMARK(BM_CrcBitwise);

void BM_CrcFast(benchmark::State& state)
{
    const auto data = RandomBytes(1 << 20, 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(CRC(data.data(), (uint32_t)data.size()));
    state.SetBytesProcessed(state.iterations() * (int64_t)data.size());
}
BENCHMARK(BM_CrcFast);

// ~500 files of mixed content (text-like and incompressible), 64 MiB in all;
// the LZMA one at the encoder's fast level 1, which decodes as fast as any.
const Container::CArray<unsigned char>& Installer64MiB(uint64_t& payload,
                                                      Package::ECompression compression = Package::Zlib)
{
    static Container::CArray<unsigned char> installers[2];
    static uint64_t s_payload = 0;
    Container::CArray<unsigned char>& installer = installers[compression == Package::Lzma];
    if (!installer.GetSize()) {
        s_payload = 0;
        std::mt19937 rng(42);
        const char* words[] = {"install ", "program ", "file ", "data ", "window ", "kx ", "setup ", "value "};
        CPackItemList items;
        const size_t total = 64u << 20;
        size_t made = 0;
        for (unsigned i = 0; made < total; i++) {
            size_t len = std::min<size_t>(total - made, 64 * 1024 + rng() % (200 * 1024));
            Container::CArray<unsigned char> item;
            item.SetSize((unsigned)len);
            for (size_t j = 0; j < len;) {
                if (i % 4 == 0) { // incompressible
                    item[(unsigned)j++] = (unsigned char)rng();
                } else {
                    const char* w = words[rng() % 8];
                    while (*w && j < len)
                        item[(unsigned)j++] = (unsigned char)*w++;
                }
            }
            items.emplace_back(item.GetData(), item.GetSize());
            made += len;
            s_payload += 4 + len;
        }
        Container::CArray<unsigned char> stub;
        stub.SetSize(100 * 1024);
        CSmallString why;
        BuildPackage(stub, "<install/>", items, compression == Package::Lzma ? 1 : 6, installer, why, compression);
    }
    payload = s_payload;
    return installer;
}

// Drops what it is handed: the bytes would go to files.
class CDiscard : public CByteSinkABC
{
public:
    bool Take(const unsigned char*, uint32_t length) override
    {
        m_ullBytes += length;
        return true;
    }
    unsigned long long m_ullBytes = 0;
};

// Arg 0: zlib, 1: LZMA.
void BM_Extract64MiB(benchmark::State& state)
{
    uint64_t payload = 0;
    const auto& installer = Installer64MiB(payload, state.range(0) ? Package::Lzma : Package::Zlib);
    // The XML entity tables are built by the first parse and live until
    // exit: build them before the counting allocator is in place.
    CXMLDocument::LoadFromMemory("<a/>", 4)->Release();
    bool ok = true;
    size_t peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FILE* file = tmpfile();
        ok = file && fwrite(installer.GetData(), 1, installer.GetSize(), file) == installer.GetSize() && ok;
        {
            // Everything the run allocates is counted; the file stays on
            // disk, as the installer's own file does.
            CCountingAllocator counting;
            CSinReader* reader = new CSinReader;
            state.ResumeTiming();
            ok = file && reader->OpenPackage(file) && ok;
            CDiscard sink;
            for (unsigned i = 0; ok && i < reader->GetItemCount(); i++)
                ok = reader->CopyItem(i, sink);
            ok = ok && reader->VerifyPackage() && sink.m_ullBytes + 4ull * reader->GetItemCount() == payload;
            state.PauseTiming();
            delete reader; // closes the file, which goes with it
            peak = counting.GetPeakBytes();
        }
        state.ResumeTiming();
    }
    if (!ok)
        state.SkipWithError("extraction failed");
    state.SetBytesProcessed(state.iterations() * (int64_t)payload);
    state.counters["peak_x_payload"] = (double)peak / (double)payload;
}
BENCHMARK(BM_Extract64MiB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// The reference: uncompress() into a buffer that starts at twice the data
// block and doubles, re-inflating from the start each time, then a copy of
// each item out of the payload.
void BM_Extract64MiBByDoubling(benchmark::State& state)
{
    uint64_t payload = 0;
    const auto& installer = Installer64MiB(payload);
    const unsigned char* end = installer.GetData() + installer.GetSize();
    const uint32_t size = Package::ReadU32(end - 19);
    const unsigned char* block = end - Package::kTrailerSize - size;
    size_t peak = 0;
    int inflations = 0;
    for (auto _ : state) {
        inflations = 0;
        uLongf capacity = 2 * (uLongf)size;
        unsigned char* out = nullptr;
        uLongf outLen = 0;
        for (;;) {
            out = static_cast<unsigned char*>(malloc(capacity));
            outLen = capacity;
            inflations++;
            const int rc = uncompress(out, &outLen, block, size);
            if (rc != Z_BUF_ERROR)
                break;
            free(out);
            capacity *= 2;
        }
        peak = installer.GetSize() + capacity; // the file image plus the buffer
        const uint32_t l = Package::ReadU32(out);
        const uint32_t n = Package::ReadU32(out + 4 + l);
        Container::CArray<Container::CArray<unsigned char>> items;
        items.SetSize(n);
        size_t at = 8 + l;
        for (uint32_t i = 0; i < n; i++) {
            const uint32_t len = Package::ReadU32(out + at);
            items[i].Append(out + at + 4, len);
            at += 4 + len;
        }
        peak += payload;
        free(out);
        benchmark::DoNotOptimize(items.GetSize());
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)payload);
    state.counters["inflations"] = inflations;
    state.counters["peak_x_payload"] = (double)peak / (double)payload;
}
BENCHMARK(BM_Extract64MiBByDoubling)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
