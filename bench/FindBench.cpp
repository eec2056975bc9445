// Forward search over ~1 MiB of word-like text: CSmallString's Horspool
// scans (case-insensitive Find, exact FindSameCase) against
// std::string::find and memmem, for patterns of 4 to 32 bytes that occur
// once near the end or not at all.
#include <benchmark/benchmark.h>

#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "SmallString.h"

namespace {

const size_t kTextBytes = 1 << 20;

struct CCorpus
{
    std::string text;           // lower-case words, spaces, punctuation
    std::string patterns[2][4]; // [found][4, 8, 16, 32 bytes]
};

std::string Lower(std::string s)
{
    for (char& c : s)
        c = (char)tolower((unsigned char)c);
    return s;
}

const CCorpus& Corpus()
{
    static const CCorpus corpus = [] {
        CCorpus c;
        std::mt19937 rng(7);
        // English-like letter frequencies, so first and last pattern bytes
        // are common in the text, as they are in real scripts.
        const std::string letters =
            "eeeeeeeeeeeetttttttttaaaaaaaaooooooooiiiiiiinnnnnnnssssssrrrrrrhhhhhhlllldddcccuuummfwwyyggppbbvkxqjz";
        std::vector<std::string> words;
        for (int i = 0; i < 400; i++) {
            std::string w;
            for (int n = 2 + (int)(rng() % 8); n; n--)
                w += letters[rng() % letters.size()];
            words.push_back(w);
        }
        while (c.text.size() < kTextBytes) {
            c.text += words[rng() % words.size()];
            c.text += (rng() % 12 == 0) ? ", " : " ";
        }
        c.text.resize(kTextBytes);
        const size_t lengths[4] = {4, 8, 16, 32};
        for (int found = 0; found < 2; found++) {
            for (int k = 0; k < 4; k++) {
                // Made of the text's own letters but absent from it, in
                // either case.
                std::string p;
                do {
                    p.clear();
                    for (size_t n = 0; n < lengths[k]; n++)
                        p += letters[rng() % letters.size()];
                } while (Lower(c.text).find(p) != std::string::npos);
                c.patterns[found][k] = p;
            }
        }
        // Each found pattern once, in the last 2 KiB.
        for (int k = 0; k < 4; k++)
            c.text.replace(kTextBytes - 2048 + (size_t)k * 256, lengths[k], c.patterns[1][k]);
        return c;
    }();
    return corpus;
}

const std::string& Pattern(const benchmark::State& state)
{
    const int index = state.range(0) == 4 ? 0 : state.range(0) == 8 ? 1 : state.range(0) == 16 ? 2 : 3;
    return Corpus().patterns[state.range(1)][index];
}

// Bytes the search had to cover.
int64_t Covered(long pos)
{
    return pos < 0 ? (int64_t)kTextBytes : (int64_t)pos;
}

void BM_SmallStringFind(benchmark::State& state)
{
    const CSmallString text(Corpus().text.data(), (int)Corpus().text.size());
    const CSmallString pat(Pattern(state).c_str());
    int pos = 0;
    for (auto _ : state) {
        pos = text.Find(pat);
        benchmark::DoNotOptimize(pos);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * Covered(pos));
}

void BM_SmallStringFindSameCase(benchmark::State& state)
{
    const CSmallString text(Corpus().text.data(), (int)Corpus().text.size());
    const CSmallString pat(Pattern(state).c_str());
    int pos = 0;
    for (auto _ : state) {
        pos = text.FindSameCase(pat);
        benchmark::DoNotOptimize(pos);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * Covered(pos));
}

void BM_StdStringFind(benchmark::State& state)
{
    const std::string& text = Corpus().text;
    const std::string& pat = Pattern(state);
    size_t pos = 0;
    for (auto _ : state) {
        pos = text.find(pat);
        benchmark::DoNotOptimize(pos);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * Covered(pos == std::string::npos ? -1 : (long)pos));
}

void BM_Memmem(benchmark::State& state)
{
    const std::string& text = Corpus().text;
    const std::string& pat = Pattern(state);
    const void* hit = nullptr;
    for (auto _ : state) {
        hit = memmem(text.data(), text.size(), pat.data(), pat.size());
        benchmark::DoNotOptimize(hit);
    }
    const long pos = hit ? (long)(static_cast<const char*>(hit) - text.data()) : -1;
    state.SetBytesProcessed((int64_t)state.iterations() * Covered(pos));
}

// Args: pattern length in bytes, found (1) or not (0).
void PatternArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"len", "found"});
    for (int found = 1; found >= 0; found--)
        for (int len : {4, 8, 16, 32})
            b->Args({len, found});
}

} // namespace

BENCHMARK(BM_SmallStringFind)->Apply(PatternArgs);
BENCHMARK(BM_SmallStringFindSameCase)->Apply(PatternArgs);
BENCHMARK(BM_StdStringFind)->Apply(PatternArgs);
BENCHMARK(BM_Memmem)->Apply(PatternArgs);
