// The chunked scans against plain byte loops. The 4-byte word reader is what
// the 32-bit Windows build runs, the SSE2 one what x86-64 runs; all are
// checked here wherever they compile.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "XMLScan.h"

namespace {

bool Blank(char c)
{
    return (unsigned char)c <= ' ';
}

// FindTagEnd by the byte: the end, and whether a NUL or two blanks in a row
// come before it.
const char* TagEndByBytes(const char* p, const char* end, bool& folds)
{
    bool quoted = false, lastBlank = false;
    folds = false;
    for (; p < end; p++) {
        if (*p == '"')
            quoted = !quoted;
        else if ((*p == '<' || *p == '>') && !quoted)
            break;
        folds = folds || *p == 0 || (Blank(*p) && lastBlank);
        lastBlank = Blank(*p);
    }
    return p;
}

const char* TextStopByBytes(const char* p, const char* end, bool lastBlank)
{
    for (; p < end; p++) {
        if (*p == '<' || *p == '&' || *p == 0 || (Blank(*p) && lastBlank))
            break;
        lastBlank = Blank(*p);
    }
    return p;
}

template <class TChunk> void CheckAgainstBytes(const std::string& text)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    for (const char* p = begin; p <= end; p++) {
        bool folds = true, expectedFolds = false;
        const char* expected = TagEndByBytes(p, end, expectedFolds);
        ASSERT_EQ(expected - begin, XMLScan::FindTagEnd<TChunk>(p, end, folds) - begin) << "from " << p - begin;
        ASSERT_EQ(expectedFolds, folds) << "from " << p - begin;
        for (bool lastBlank : {false, true})
            ASSERT_EQ(TextStopByBytes(p, end, lastBlank) - begin,
                      XMLScan::FindTextStop<TChunk>(p, end, lastBlank) - begin)
                << "from " << p - begin << (lastBlank ? " after a blank" : "");
        const char* either = p;
        while (either < end && *either != '"' && *either != '&')
            either++;
        ASSERT_EQ(either - begin, XMLScan::FindEither<TChunk>(p, end, '"', '&') - begin);
    }
}

template <class TChunk> void CheckChunkReader()
{
    const std::string cases[] = {
        "",
        "a b=\"c\"",
        "a b=\"x>y\" c=\"<\"/",                    // angles inside quotes
        "name  value",                             // a run
        std::string("a\0b", 3),                    // a NUL
        "\"\"\"\">",                               // quotes only
        "0123456789abcdef0123456789abcdef\">\"<z", // across chunk ends
        "0123456 \t89abcde \r\n23456789abcdef",    // runs at chunk ends
        "&amp; x\x01\x01y  <tail",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        CheckAgainstBytes<TChunk>(text);
    }
    // Random texts over the bytes that matter, and a few that must not.
    const char alphabet[] = {'a',  ' ',    '\t',   '\r',   '"',    '<',    '>', '&',
                             '\0', '\x01', '\x20', '\x21', '\xA0', '\xFF', '='};
    std::mt19937 rng(5);
    for (int n = 0; n < 300; n++) {
        std::string text(rng() % 70, 'a');
        for (char& c : text)
            c = alphabet[rng() % sizeof(alphabet)];
        SCOPED_TRACE(n);
        CheckAgainstBytes<TChunk>(text);
    }
}

} // namespace

TEST(XmlScan, WordChunksAgreeWithByteLoops)
{
    CheckChunkReader<XMLScan::SWordChunkOf<uint32_t>>(); // the 32-bit build's
    CheckChunkReader<XMLScan::SWordChunkOf<uint64_t>>();
}

#if defined(__SSE2__)
TEST(XmlScan, VectorChunksAgreeWithByteLoops)
{
    CheckChunkReader<XMLScan::SVectorChunk>();
}
#endif
