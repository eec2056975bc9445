// Eight bytes at a time: finding where a tag ends without a branch per
// byte. Tags are mostly short words between blanks and quotes, and a byte
// loop pays a mispredicted branch at the end of every one of them.
#pragma once

#include <cstdint>
#include <cstring>

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "XMLScan.h takes the first byte in memory to be the lowest of a word"
#endif

namespace XMLScan {

typedef uint64_t TWord;
const TWord kOnes = 0x0101010101010101ull;
const TWord kHighs = 0x8080808080808080ull;

inline TWord Load(const char* p)
{
    TWord x;
    memcpy(&x, p, sizeof(x));
    return x;
}

inline void Store(char* p, TWord x) { memcpy(p, &x, sizeof(x)); }

// The high bit of each byte that equals c. Exact for every byte: no carry
// crosses from one byte into the next.
inline TWord BytesEqual(TWord x, unsigned char c)
{
    const TWord t = x ^ (kOnes * c);
    return ~(((t & ~kHighs) + ~kHighs) | t) & kHighs;
}

// The high bit of each byte below n (n at most 0x80), exact in the same way.
inline TWord BytesBelow(TWord x, unsigned char n)
{
    return ~(((x & ~kHighs) + kOnes * (unsigned char)(0x80 - n)) | x) & kHighs;
}

// Index of the first flagged byte; flags must not be 0.
inline unsigned FirstFlagged(TWord flags) { return (unsigned)__builtin_ctzll(flags) >> 3; }

// C isspace in the "C" locale, the blanks that the readers fold.
inline bool IsBlank(char c) { return c == ' ' || (unsigned char)(c - '\t') <= '\r' - '\t'; }

// The end of a tag that starts at p: the first '<' or '>' outside double
// quotes, or end. folds tells whether the tag holds two blanks in a row,
// which the token must fold; it may also be set by two control
// characters, which only costs the exact fold.
inline const char* FindTagEnd(const char* p, const char* end, bool& folds)
{
    bool quoted = false;
    TWord lastBlank = 0; // the previous word's blank flags
    TWord pairs = 0;
    while ((size_t)(end - p) >= sizeof(TWord)) {
        const TWord x = Load(p);
        const TWord blanks = BytesBelow(x, '!');
        TWord stops = BytesEqual(x, '"') | BytesEqual(x, '<') | BytesEqual(x, '>');
        const TWord runs = blanks & ((blanks << 8) | (lastBlank >> 56));
        lastBlank = blanks;
        for (; stops; stops &= stops - 1) {
            const unsigned i = FirstFlagged(stops);
            if (p[i] == '"') {
                quoted = !quoted;
            } else if (!quoted) {
                folds = (pairs | (runs & ((TWord(1) << (8 * i)) - 1))) != 0;
                return p + i;
            }
        }
        pairs |= runs;
        p += sizeof(TWord);
    }
    bool lastWasBlank = (lastBlank >> 63) != 0;
    for (; p < end; p++) {
        const char c = *p;
        if (c == '"') {
            quoted = !quoted;
        } else if ((c == '<' || c == '>') && !quoted) {
            break;
        }
        const bool blank = (unsigned char)c < '!';
        pairs |= blank && lastWasBlank;
        lastWasBlank = blank;
    }
    folds = pairs != 0;
    return p;
}

} // namespace XMLScan
