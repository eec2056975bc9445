// Finding where a tag, or a value in it, ends a chunk of bytes at a time. Tags are mostly short
// words between blanks and quotes, and a loop over single bytes pays a
// mispredicted branch at the end of every one of them. Where SSE2 is there
// (every x86-64) a chunk is 16 bytes; elsewhere, as in the 32-bit Windows
// build, it is an 8-byte word tested with plain integer arithmetic.
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

// Both chunk readers flag, for each byte, whether it is a quote or an angle
// bracket (a stop), whether it is at most a space (a blank; control
// characters count too, which only costs an exact look later) and whether
// it is a NUL. The flags
// of byte i sit at bit i * kShift of a mask.

struct SWordChunk
{
    typedef uint64_t TMask;
    enum
    {
        kBytes = 8,
        kShift = 8, // a byte's flag is its own high bit
    };

    static void Flags(const char* p, TMask& stops, TMask& blanks, TMask& nuls)
    {
        uint64_t x;
        memcpy(&x, p, sizeof(x));
        stops = BytesEqual(x, '"') | BytesEqual(x, '<') | BytesEqual(x, '>');
        blanks = BytesBelow(x, '!');
        nuls = BytesEqual(x, 0);
    }
    static TMask Either(const char* p, char a, char b)
    {
        uint64_t x;
        memcpy(&x, p, sizeof(x));
        return BytesEqual(x, (unsigned char)a) | BytesEqual(x, (unsigned char)b);
    }

    // The high bit of each byte that equals c. Exact for every byte: no
    // carry crosses from one byte into the next.
    static uint64_t BytesEqual(uint64_t x, unsigned char c)
    {
        const uint64_t t = x ^ (kOnes * c);
        return ~(((t & ~kHighs) + ~kHighs) | t) & kHighs;
    }
    // The high bit of each byte below n (n at most 0x80), exact likewise.
    static uint64_t BytesBelow(uint64_t x, unsigned char n)
    {
        return ~(((x & ~kHighs) + kOnes * (unsigned char)(0x80 - n)) | x) & kHighs;
    }

    static constexpr uint64_t kOnes = 0x0101010101010101ull;
    static constexpr uint64_t kHighs = 0x8080808080808080ull;
};

#if defined(__SSE2__)
struct SVectorChunk
{
    typedef unsigned TMask;
    enum
    {
        kBytes = 16,
        kShift = 1,
    };

    static void Flags(const char* p, TMask& stops, TMask& blanks, TMask& nuls)
    {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i quote = _mm_cmpeq_epi8(x, _mm_set1_epi8('"'));
        const __m128i open = _mm_cmpeq_epi8(x, _mm_set1_epi8('<'));
        const __m128i close = _mm_cmpeq_epi8(x, _mm_set1_epi8('>'));
        const __m128i space = _mm_set1_epi8(' ');
        stops = (unsigned)_mm_movemask_epi8(_mm_or_si128(quote, _mm_or_si128(open, close)));
        blanks = (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(x, space), space));
        nuls = (unsigned)_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_setzero_si128()));
    }
    static TMask Either(const char* p, char a, char b)
    {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        return (unsigned)_mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(x, _mm_set1_epi8(a)), _mm_cmpeq_epi8(x, _mm_set1_epi8(b))));
    }
};
typedef SVectorChunk CChunk;
#else
typedef SWordChunk CChunk;
#endif

// C isspace in the "C" locale, the blanks that the readers fold.
inline bool IsBlank(char c) { return c == ' ' || (unsigned char)(c - '\t') <= '\r' - '\t'; }

// The end of a tag that starts at p: the first '<' or '>' outside double
// quotes, or end. folds tells whether the tag holds two blanks in a row,
// which the token must fold, or a NUL, which ends it early; it may also be
// set by two control characters, which only costs the exact fold.
template <class TChunk> const char* FindTagEnd(const char* p, const char* end, bool& folds)
{
    typedef typename TChunk::TMask TMask;
    const unsigned kShift = TChunk::kShift;
    bool quoted = false;
    TMask lastBlanks = 0; // the previous chunk's
    TMask pairs = 0; // runs of blanks and NULs before this chunk
    while ((size_t)(end - p) >= (size_t)TChunk::kBytes) {
        TMask stops, blanks, nuls;
        TChunk::Flags(p, stops, blanks, nuls);
        const TMask runs =
            (blanks & ((blanks << kShift) | (lastBlanks >> ((TChunk::kBytes - 1) * kShift)))) | nuls;
        lastBlanks = blanks;
        for (; stops; stops &= stops - 1) {
            const unsigned i = (unsigned)__builtin_ctzll(stops) / kShift;
            if (p[i] == '"') {
                quoted = !quoted;
            } else if (!quoted) {
                folds = (pairs | (runs & ((TMask(1) << (i * kShift)) - 1))) != 0;
                return p + i;
            }
        }
        pairs |= runs;
        p += TChunk::kBytes;
    }
    bool lastWasBlank = (lastBlanks >> ((TChunk::kBytes - 1) * kShift)) != 0;
    for (; p < end; p++) {
        const char c = *p;
        if (c == '"') {
            quoted = !quoted;
        } else if ((c == '<' || c == '>') && !quoted) {
            break;
        }
        const bool blank = (unsigned char)c <= ' ';
        pairs |= (blank && lastWasBlank) || c == 0;
        lastWasBlank = blank;
    }
    folds = pairs != 0;
    return p;
}

// The first byte in [p, end) that is a or b, or end.
template <class TChunk> const char* FindEither(const char* p, const char* end, char a, char b)
{
    for (; (size_t)(end - p) >= (size_t)TChunk::kBytes; p += TChunk::kBytes) {
        if (const typename TChunk::TMask found = TChunk::Either(p, a, b))
            return p + (unsigned)__builtin_ctzll(found) / TChunk::kShift;
    }
    while (p < end && *p != a && *p != b)
        p++;
    return p;
}

} // namespace XMLScan
