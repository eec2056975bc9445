#include "Utf8.h"

#include <cstring>

namespace Utf8 {

uint32_t Next(const char*& p, const char* end)
{
    const unsigned char* s = reinterpret_cast<const unsigned char*>(p);
    const unsigned char b = s[0];
    p++;
    if (b < 0x80)
        return b;
    int more;
    uint32_t c, least;
    if (b >= 0xC2 && b <= 0xDF) {
        more = 1, c = b & 0x1F, least = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        more = 2, c = b & 0x0F, least = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        more = 3, c = b & 0x07, least = 0x10000;
    } else {
        return kRawByte | b;
    }
    if (end - p < more)
        return kRawByte | b;
    for (int i = 1; i <= more; i++) {
        if ((s[i] & 0xC0) != 0x80)
            return kRawByte | b;
        c = (c << 6) | (s[i] & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return kRawByte | b;
    p += more;
    return c;
}

uint32_t FoldCase(uint32_t c)
{
    // Pairs side by side: even upper, odd lower (or the reverse).
    const auto evenUpper = [](uint32_t x) { return x & ~1u; };
    const auto oddUpper = [](uint32_t x) { return (x & 1) ? x : x - 1; };
    if (c < 0x80)
        return c >= 'a' && c <= 'z' ? c - 0x20 : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return evenUpper(c);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return oddUpper(c);
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2)
        return c - 0x20;
    switch (c) {
    case 0x3C2: return 0x3A3; // final sigma
    case 0x3AC: return 0x386;
    case 0x3AD: case 0x3AE: case 0x3AF: return c - 0x25;
    case 0x3CC: return 0x38C;
    case 0x3CD: case 0x3CE: return c - 0x3F;
    default: break;
    }
    if (c >= 0x430 && c <= 0x44F)
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
        return evenUpper(c);
    if (c >= 0x4C1 && c <= 0x4CE)
        return oddUpper(c);
    if (c >= 0x561 && c <= 0x586)
        return c - 0x30;
    if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF))
        return evenUpper(c);
    if (c >= 0xFF41 && c <= 0xFF5A)
        return c - 0x20;
    return c;
}

namespace {

int Order(uint32_t a, uint32_t b) { return a == b ? 0 : (a < b ? -1 : 1); }

// Both texts end at their NUL or at limit bytes, whichever comes first.
int Compare(const char* a, const char* b, size_t limit)
{
    const char* const aEnd = a + strnlen(a, limit);
    const char* const bEnd = b + strnlen(b, limit);
    // A character that starts before the limit may end past it.
    const char* const aStop = aEnd + strnlen(aEnd, 3);
    const char* const bStop = bEnd + strnlen(bEnd, 3);
    while (a < aEnd && b < bEnd) {
        const uint32_t ca = FoldCase(Next(a, aStop));
        const uint32_t cb = FoldCase(Next(b, bStop));
        if (ca != cb)
            return Order(ca, cb);
    }
    return Order(a < aEnd, b < bEnd);
}

} // namespace

int ICmp(const char* a, const char* b) { return Compare(a, b, (size_t)-1); }

int NICmp(const char* a, const char* b, size_t n) { return Compare(a, b, n); }

unsigned HashNoCase(const char* text)
{
    unsigned h = 0;
    if (!text)
        return h;
    const char* const end = text + strlen(text);
    for (const char* p = text; p < end;)
        h = FoldCase(Next(p, end)) ^ (h * 2);
    return h;
}

bool IsValid(const char* p, size_t n)
{
    const char* const end = p + n;
    while (p < end)
        if (Next(p, end) & kRawByte)
            return false;
    return true;
}

} // namespace Utf8
