// Horspool searches with skip tables cached in the pattern's block, and the
// C-style search helpers.
#include <cstring>

#include "Memory.h"
#include "Platform.h"
#include "SmallString.h"

namespace {

// Mb::ToUpper/ToLower of every byte, looked up in the inner loops.
struct CCaseTables
{
    unsigned char upper[256];
    unsigned char lower[256];
    CCaseTables()
    {
        for (unsigned c = 0; c < 256; c++) {
            upper[c] = (unsigned char)Mb::ToUpper(c);
            lower[c] = (unsigned char)Mb::ToLower(c);
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

// One Horspool scan; i is the text index under the pattern's last byte.
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
