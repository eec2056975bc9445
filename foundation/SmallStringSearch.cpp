// Horspool searches with skip tables cached in the pattern's block, and the
// C-style search helpers.
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#if defined(__x86_64__) && defined(__GNUC__)
#define KX_AVX2_SCAN 1
#include <immintrin.h>
#endif
#endif

#include "Memory.h"
#include "Platform.h"
#include "SmallString.h"

namespace {

// Mb::ToUpper/ToLower of every byte, looked up in the inner loops.
struct CCaseTables
{
    unsigned char upper[256];
    unsigned char lower[256];
    // Every byte equal to c under upper-casing is upper[c] or lower[c], so
    // comparing with those two finds all of them.
    bool twoCased[256];
    CCaseTables()
    {
        for (unsigned c = 0; c < 256; c++) {
            upper[c] = (unsigned char)Mb::ToUpper(c);
            lower[c] = (unsigned char)Mb::ToLower(c);
        }
        for (unsigned c = 0; c < 256; c++) {
            twoCased[c] = true;
            for (unsigned x = 0; x < 256; x++)
                if (upper[x] == upper[c] && x != upper[c] && x != lower[c])
                    twoCased[c] = false;
        }
    }
};

const CCaseTables& CaseTables()
{
    static const CCaseTables s_tables;
    return s_tables;
}

// Word characters are the ASCII letters and digits, whatever the locale.
inline bool IsWordByte(unsigned char c)
{
    return (unsigned)((c | 0x20) - 'a') < 26 || (unsigned)(c - '0') < 10;
}

template <bool bNoCase>
inline bool SameBytes(const unsigned char* s, const unsigned char* p, uint32_t count, const unsigned char* up)
{
    if (!bNoCase)
        return memcmp(s, p, count) == 0;
    for (uint32_t k = 0; k < count; k++)
        if (up[s[k]] != up[p[k]])
            return false;
    return true;
}

#ifdef __SSE2__
// The first of the candidate starts in mask (bit k: start at + k) that
// really matches, or -1.
template <bool bNoCase, bool bWholeWord>
int VerifyHits(const unsigned char* t, uint32_t n, const unsigned char* p, uint32_t m, uint32_t at, uint32_t mask)
{
    const unsigned char* up = CaseTables().upper;
    for (; mask; mask &= mask - 1) {
        const uint32_t c = at + (uint32_t)__builtin_ctz(mask);
        if (!SameBytes<bNoCase>(t + c, p, m, up))
            continue;
        if (bWholeWord && ((c + m < n && IsWordByte(t[c + m])) || (c > 0 && IsWordByte(t[c - 1]))))
            continue;
        return (int)c;
    }
    return -1;
}

// The bytes a text byte must equal to match the pattern's byte b: one
// value, or for the case-insensitive searches both cases. False when a
// code page folds more than two bytes together.
template <bool bNoCase> bool FilterBytes(unsigned char b, unsigned char* one, unsigned char* other)
{
    const CCaseTables& cases = CaseTables();
    *one = bNoCase ? cases.upper[b] : b;
    *other = bNoCase ? cases.lower[b] : b;
    return !bNoCase || cases.twoCased[b];
}

// The match nearest the front starting in [from, ...) while a 16-byte block
// fits, comparing the pattern's first and last bytes at 16 starts at once;
// -1 with *next at the first start not examined.
template <bool bNoCase, bool bWholeWord>
int BlockScan(const unsigned char* t, uint32_t n, const unsigned char* p, uint32_t m, uint32_t from, uint32_t* next)
{
    const uint32_t last = m - 1;
    unsigned char f1, f2, l1, l2;
    *next = from;
    if (!FilterBytes<bNoCase>(p[0], &f1, &f2) || !FilterBytes<bNoCase>(p[last], &l1, &l2))
        return -1;
    const __m128i first1 = _mm_set1_epi8((char)f1), first2 = _mm_set1_epi8((char)f2);
    const __m128i last1 = _mm_set1_epi8((char)l1), last2 = _mm_set1_epi8((char)l2);
    uint32_t s = from;
    for (; s + last + 16 <= n; s += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + s));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + s + last));
        __m128i hitA = _mm_cmpeq_epi8(a, first1);
        __m128i hitB = _mm_cmpeq_epi8(b, last1);
        if (bNoCase) {
            hitA = _mm_or_si128(hitA, _mm_cmpeq_epi8(a, first2));
            hitB = _mm_or_si128(hitB, _mm_cmpeq_epi8(b, last2));
        }
        const uint32_t mask = (uint32_t)_mm_movemask_epi8(_mm_and_si128(hitA, hitB));
        if (mask) {
            const int c = VerifyHits<bNoCase, bWholeWord>(t, n, p, m, s, mask);
            if (c >= 0)
                return c;
        }
    }
    *next = s;
    return -1;
}

#ifdef KX_AVX2_SCAN
// BlockScan with 32 starts at once, for processors that have AVX2.
template <bool bNoCase, bool bWholeWord>
__attribute__((target("avx2"))) int BlockScanAvx2(const unsigned char* t, uint32_t n, const unsigned char* p,
                                                  uint32_t m, uint32_t from, uint32_t* next)
{
    const uint32_t last = m - 1;
    unsigned char f1, f2, l1, l2;
    *next = from;
    if (!FilterBytes<bNoCase>(p[0], &f1, &f2) || !FilterBytes<bNoCase>(p[last], &l1, &l2))
        return -1;
    const __m256i first1 = _mm256_set1_epi8((char)f1), first2 = _mm256_set1_epi8((char)f2);
    const __m256i last1 = _mm256_set1_epi8((char)l1), last2 = _mm256_set1_epi8((char)l2);
    uint32_t s = from;
    for (; s + last + 32 <= n; s += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + s));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + s + last));
        __m256i hitA = _mm256_cmpeq_epi8(a, first1);
        __m256i hitB = _mm256_cmpeq_epi8(b, last1);
        if (bNoCase) {
            hitA = _mm256_or_si256(hitA, _mm256_cmpeq_epi8(a, first2));
            hitB = _mm256_or_si256(hitB, _mm256_cmpeq_epi8(b, last2));
        }
        const uint32_t mask = (uint32_t)_mm256_movemask_epi8(_mm256_and_si256(hitA, hitB));
        if (mask) {
            const int c = VerifyHits<bNoCase, bWholeWord>(t, n, p, m, s, mask);
            if (c >= 0)
                return c;
        }
    }
    *next = s;
    return -1;
}

bool HasAvx2()
{
    static const bool s_bAvx2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return s_bAvx2;
}
#endif
#endif

// One Horspool scan; i is the text index under the pattern's last byte.
// Where SSE2 (or AVX2) is at hand the bulk of a long text is filtered 16
// (32) starts at a time first: the result is the same, the match nearest
// the front, and Horspool finishes the last few bytes.
template <bool bNoCase, bool bWholeWord>
int Scan(const char* text, int textLen, const uint32_t* table, const char* pat, int patLen, int start)
{
    if (!text || textLen <= 0 || !table || !pat || patLen <= 0)
        return -1;
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(pat);
    const unsigned char* up = CaseTables().upper;
    const uint32_t last = (uint32_t)patLen - 1;
    const uint32_t n = (uint32_t)textLen;
    // Unsigned, so i + shift cannot overflow near INT_MAX.
    uint32_t i = start > (int)last ? (uint32_t)start : last;
#ifdef __SSE2__
    if (i < n && n - i >= 64) {
        uint32_t next = i - last;
        int hit;
#ifdef KX_AVX2_SCAN
        if (HasAvx2()) {
            hit = BlockScanAvx2<bNoCase, bWholeWord>(t, n, p, (uint32_t)patLen, next, &next);
            if (hit >= 0)
                return hit;
        }
#endif
        hit = BlockScan<bNoCase, bWholeWord>(t, n, p, (uint32_t)patLen, next, &next);
        if (hit >= 0)
            return hit;
        i = next + last;
    }
#endif
    const unsigned char lastByte = bNoCase ? up[p[last]] : p[last];
    while (i < n) {
        const unsigned char c = t[i];
        if ((bNoCase ? up[c] : c) == lastByte && !(bWholeWord && i + 1 < n && IsWordByte(t[i + 1]))) {
            const unsigned char* s = t + (i - last);
            if (SameBytes<bNoCase>(s, p, last, up) && (!bWholeWord || i == last || !IsWordByte(s[-1])))
                return (int)(i - last);
        }
        i += table[c];
    }
    return -1;
}

// Copies buf's text to itself with every match of pat taken out; next
// finds the following match from a position.
template <class FindNext> bool RemoveAll(char* buf, const char* pat, FindNext next)
{
    if (!buf || !pat || !*pat)
        return false;
    const size_t patLen = strlen(pat);
    const char* src = buf;
    char* dst = buf;
    bool removed = false;
    while (const char* hit = next(src, pat)) {
        memmove(dst, src, (size_t)(hit - src));
        dst += hit - src;
        src = hit + patLen;
        removed = true;
    }
    if (removed)
        memmove(dst, src, strlen(src) + 1);
    return removed;
}

} // namespace

uint32_t* InitFindNoCase(const char* pattern, int len)
{
    if (!pattern || len <= 0)
        return nullptr;
    auto* table = static_cast<uint32_t*>(KxAlloc(256 * sizeof(uint32_t)));
    for (int c = 0; c < 256; c++)
        table[c] = (uint32_t)len;
    const CCaseTables& cases = CaseTables();
    for (int j = 0; j < len - 1; j++) {
        const unsigned char c = (unsigned char)pattern[j];
        const uint32_t shift = (uint32_t)(len - 1 - j);
        table[cases.upper[c]] = shift;
        table[cases.lower[c]] = shift;
    }
    return table;
}

int Find(const char* text, int textLen, const uint32_t* table, const char* pat, int patLen, int start)
{
    return Scan<true, false>(text, textLen, table, pat, patLen, start);
}

int FindSameCase(const char* text, int textLen, const uint32_t* table, const char* pat, int patLen, int start)
{
    return Scan<false, false>(text, textLen, table, pat, patLen, start);
}

int FindWholeWord(const char* text, int textLen, const uint32_t* table, const char* pat, int patLen, int start)
{
    return Scan<true, true>(text, textLen, table, pat, patLen, start);
}

int FindWholeWordSameCase(const char* text, int textLen, const uint32_t* table, const char* pat, int patLen, int start)
{
    return Scan<false, true>(text, textLen, table, pat, patLen, start);
}

const char* stristr(const char* text, const char* pat)
{
    if (!text || !pat || !*text)
        return nullptr;
    const size_t patLen = strlen(pat);
    for (const char* p = text; *p; p++)
        if (Mb::NbICmp(p, pat, patLen) == 0)
            return p;
    return nullptr;
}

const char* strirstr(const char* text, const char* pat, int fromEnd)
{
    if (!text || !pat || !*text || !*pat)
        return nullptr;
    const long long textLen = (long long)strlen(text);
    const long long patLen = (long long)strlen(pat);
    if (patLen > textLen || fromEnd > textLen)
        return nullptr;
    long long pos = fromEnd == 0 ? textLen - patLen : textLen - fromEnd - 1;
    // Positions past the last full fit cannot match; a negative fromEnd
    // must not start beyond the text.
    if (pos > textLen - patLen)
        pos = textLen - patLen;
    for (; pos >= 0; pos--)
        if (Mb::NbICmp(text + pos, pat, (size_t)patLen) == 0)
            return text + pos;
    return nullptr;
}

bool strremove(char* buf, const char* pat)
{
    return RemoveAll(buf, pat, [](const char* from, const char* p) { return Mb::Str(from, p); });
}

bool striremove(char* buf, const char* pat)
{
    return RemoveAll(buf, pat, [](const char* from, const char* p) { return stristr(from, p); });
}

// ---------------------------------------------------------------------------
// The members: the argument is the pattern and carries the table.

const uint32_t* CSmallString::GetFindTable() const
{
    CSmallStringData* d = GetData();
    if (d->nDataLength == 0)
        return nullptr;
    uint32_t* table = __atomic_load_n(&d->pFindData, __ATOMIC_ACQUIRE);
    if (table)
        return table;
    // Copies of one pattern may be searched with on several threads: the
    // first table stored wins.
    uint32_t* fresh = InitFindNoCase(m_pchData, d->nDataLength);
    uint32_t* expected = nullptr;
    if (__atomic_compare_exchange_n(&d->pFindData, &expected, fresh, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE))
        return fresh;
    KxFree(fresh);
    return expected;
}

int CSmallString::Find(const CSmallString& pat, int start) const
{
    if (IsEmpty() || pat.IsEmpty())
        return -1;
    return ::Find(m_pchData, GetLength(), pat.GetFindTable(), pat.m_pchData, pat.GetLength(), start);
}

int CSmallString::FindSameCase(const CSmallString& pat, int start) const
{
    if (IsEmpty() || pat.IsEmpty())
        return -1;
    return ::FindSameCase(m_pchData, GetLength(), pat.GetFindTable(), pat.m_pchData, pat.GetLength(), start);
}

int CSmallString::FindWholeWord(const CSmallString& pat, int start) const
{
    if (IsEmpty() || pat.IsEmpty())
        return -1;
    return ::FindWholeWord(m_pchData, GetLength(), pat.GetFindTable(), pat.m_pchData, pat.GetLength(), start);
}

int CSmallString::FindWholeWordSameCase(const CSmallString& pat, int start) const
{
    if (IsEmpty() || pat.IsEmpty())
        return -1;
    return ::FindWholeWordSameCase(m_pchData, GetLength(), pat.GetFindTable(), pat.m_pchData, pat.GetLength(), start);
}

int CSmallString::FindReverse(const CSmallString& pat, int fromEnd) const
{
    const char* hit = strirstr(m_pchData, pat.m_pchData, fromEnd);
    return hit ? (int)(hit - m_pchData) : -1;
}
