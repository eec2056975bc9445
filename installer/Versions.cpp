#include "Versions.h"

#include <cctype>
#include <cstring>

namespace {

bool IsSeparator(char c) { return c == '.' || c == '-' || c == '_'; }

// The next part of p: digits first (as a number), then the rest as text.
const char* NextPart(const char* p, unsigned long long& number, const char*& text, size_t& textLength)
{
    number = 0;
    while (isdigit((unsigned char)*p))
        number = number * 10 + (unsigned)(*p++ - '0');
    text = p;
    while (*p && !IsSeparator(*p))
        p++;
    textLength = (size_t)(p - text);
    return *p ? p + 1 : p;
}

} // namespace

int CompareVersions(const char* a, const char* b)
{
    a = a ? a : "";
    b = b ? b : "";
    while (*a || *b) {
        unsigned long long na, nb;
        const char *ta, *tb;
        size_t la, lb;
        a = NextPart(a, na, ta, la);
        b = NextPart(b, nb, tb, lb);
        if (na != nb)
            return na < nb ? -1 : 1;
        // "1.0b" is older than "1.0": a suffix marks a pre-release.
        if (la != lb && (la == 0 || lb == 0))
            return la == 0 ? 1 : -1;
        for (size_t i = 0; i < la && i < lb; i++) {
            const int ca = tolower((unsigned char)ta[i]), cb = tolower((unsigned char)tb[i]);
            if (ca != cb)
                return ca < cb ? -1 : 1;
        }
        if (la != lb)
            return la < lb ? -1 : 1;
    }
    return 0;
}
