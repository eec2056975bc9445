// Finding the next byte that the readers must look at, a chunk of bytes at
// a time. Tags and text are mostly short words between blanks and quotes,
// and a loop over single bytes pays a mispredicted branch at the end of
// every one of them. Where SSE2 is there (every x86-64) a chunk is 16
// bytes; elsewhere, as in the 32-bit Windows build, it is a machine word
// tested with plain integer arithmetic.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "XMLScan.h takes the first byte in memory to be the lowest of a word"
#endif

namespace XMLScan {

// A chunk reader loads kBytes bytes and flags those that equal a character
// or are blanks, that is at most a space (control characters count too,
// which only costs an exact look later). The flag of byte i is bit
// i * kShift + kShift - 1 of a mask.

// Plain integer arithmetic on a word of TWord: a machine word is best, as
// 64-bit arithmetic takes twice the code on a 32-bit build.
template <class TWord> struct SWordChunkOf
{
    typedef TWord TMask;
    enum
    {
        kBytes = sizeof(TWord),
        kShift = 8, // a byte's flag is its own high bit
    };

    explicit SWordChunkOf(const char* p) { memcpy(&m_x, p, sizeof(m_x)); }

    // Exact for every byte: no carry crosses from one byte into the next.
    TMask Equal(char c) const
    {
        const TWord t = m_x ^ (kOnes * (unsigned char)c);
        return ~(((t & ~kHighs) + ~kHighs) | t) & kHighs;
    }
    TMask Blanks() const { return ~(((m_x & ~kHighs) + kOnes * (0x80 - 0x21)) | m_x) & kHighs; }

    static constexpr TWord kOnes = (TWord)0x0101010101010101ull;
    static constexpr TWord kHighs = (TWord)0x8080808080808080ull;
    TWord m_x;
};
typedef SWordChunkOf<uintptr_t> SWordChunk;

#if defined(__SSE2__)
struct SVectorChunk
{
    typedef unsigned TMask;
    enum
    {
        kBytes = 16,
        kShift = 1,
    };

    explicit SVectorChunk(const char* p) : m_x(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))) {}

    TMask Equal(char c) const { return (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(m_x, _mm_set1_epi8(c))); }
    TMask Blanks() const
    {
        const __m128i space = _mm_set1_epi8(' ');
        return (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(m_x, space), space));
    }

    __m128i m_x;
};
typedef SVectorChunk CChunk;
#else
typedef SWordChunk CChunk;
#endif

template <class TChunk> inline unsigned FirstFlagged(typename TChunk::TMask flags)
{
    return (unsigned)__builtin_ctzll(flags) / TChunk::kShift;
}

// Flags of the blanks that follow a blank; lastBlanks are the previous
// chunk's blanks.
template <class TChunk>
inline typename TChunk::TMask SecondBlanks(typename TChunk::TMask blanks, typename TChunk::TMask lastBlanks)
{
    return blanks & ((blanks << TChunk::kShift) | (lastBlanks >> ((TChunk::kBytes - 1) * TChunk::kShift)));
}

// For each flag position, the XOR of the flags up to and including it.
template <class TChunk> inline typename TChunk::TMask PrefixXor(typename TChunk::TMask flags)
{
    flags ^= flags << TChunk::kShift;
    flags ^= flags << (2 * TChunk::kShift);
    if constexpr (TChunk::kBytes > 4)
        flags ^= flags << (4 * TChunk::kShift);
    if constexpr (TChunk::kBytes > 8)
        flags ^= flags << (8 * TChunk::kShift);
    return flags;
}

// The end of a tag that starts at p: the first '<' or '>' outside double
// quotes, or end. folds tells whether the tag holds two blanks in a row,
// which the token must fold, or a NUL, which ends it early; it may also be
// set by two control characters, which only costs the exact fold. Which
// bytes lie inside quotes is worked out for a whole chunk at once.
template <class TChunk> const char* FindTagEnd(const char* p, const char* end, bool& folds)
{
    typedef typename TChunk::TMask TMask;
    const unsigned kLastFlag = TChunk::kBytes * TChunk::kShift - 1;
    TMask quoted = 0; // all ones inside a quoted stretch carried over
    TMask lastBlanks = 0;
    TMask pairs = 0; // runs of blanks and NULs before this chunk
    while ((size_t)(end - p) >= (size_t)TChunk::kBytes) {
        const TChunk chunk(p);
        const TMask blanks = chunk.Blanks();
        const TMask runs = SecondBlanks<TChunk>(blanks, lastBlanks) | chunk.Equal(0);
        lastBlanks = blanks;
        const TMask inside = PrefixXor<TChunk>(chunk.Equal('"')) ^ quoted;
        const TMask ends = (chunk.Equal('<') | chunk.Equal('>')) & ~inside;
        if (ends) {
            const unsigned i = FirstFlagged<TChunk>(ends);
            folds = (pairs | (runs & ((TMask(1) << (i * TChunk::kShift)) - 1))) != 0;
            return p + i;
        }
        quoted = (inside >> kLastFlag) & 1 ? ~TMask(0) : 0;
        pairs |= runs;
        p += TChunk::kBytes;
    }
    bool inQuotes = quoted != 0;
    bool lastWasBlank = (lastBlanks >> kLastFlag) != 0;
    for (; p < end; p++) {
        const char c = *p;
        if (c == '"') {
            inQuotes = !inQuotes;
        } else if ((c == '<' || c == '>') && !inQuotes) {
            break;
        }
        const bool blank = (unsigned char)c <= ' ';
        pairs |= (blank && lastWasBlank) || c == 0;
        lastWasBlank = blank;
    }
    folds = pairs != 0;
    return p;
}

// The first byte of text from p on that the reader must look at: '<', '&',
// a NUL, or a blank right after a blank (lastBlank: the byte before p was
// one), or end. Everything before it is copied as it stands.
template <class TChunk> const char* FindTextStop(const char* p, const char* end, bool lastBlank)
{
    typedef typename TChunk::TMask TMask;
    const unsigned kLastFlag = TChunk::kBytes * TChunk::kShift - 1;
    TMask lastBlanks = lastBlank ? TMask(1) << kLastFlag : 0;
    while ((size_t)(end - p) >= (size_t)TChunk::kBytes) {
        const TChunk chunk(p);
        const TMask blanks = chunk.Blanks();
        const TMask stops =
            chunk.Equal('<') | chunk.Equal('&') | chunk.Equal(0) | SecondBlanks<TChunk>(blanks, lastBlanks);
        if (stops)
            return p + FirstFlagged<TChunk>(stops);
        lastBlanks = blanks;
        p += TChunk::kBytes;
    }
    lastBlank = (lastBlanks >> kLastFlag) != 0;
    for (; p < end; p++) {
        const char c = *p;
        const bool blank = (unsigned char)c <= ' ';
        if (c == '<' || c == '&' || c == 0 || (blank && lastBlank))
            break;
        lastBlank = blank;
    }
    return p;
}

// The first byte in [p, end) that is a or b, or end.
template <class TChunk> const char* FindEither(const char* p, const char* end, char a, char b)
{
    for (; (size_t)(end - p) >= (size_t)TChunk::kBytes; p += TChunk::kBytes) {
        const TChunk chunk(p);
        if (const typename TChunk::TMask found = chunk.Equal(a) | chunk.Equal(b))
            return p + FirstFlagged<TChunk>(found);
    }
    while (p < end && *p != a && *p != b)
        p++;
    return p;
}

} // namespace XMLScan
