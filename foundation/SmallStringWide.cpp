// Wide-character construction for the native build: the C library's
// conversion in the C locale, whatever locale the program has chosen, so
// results do not depend on the environment. The Windows build converts
// with the ANSI code page instead.
#ifndef _WIN32

#include <climits>
#include <clocale>
#include <cstring>
#include <cwchar>
#include <new>

#include <locale.h>

#include "SmallString.h"

namespace {

// Switches the calling thread to the C locale while it lives.
class CCLocaleScope
{
public:
    CCLocaleScope() : m_old(uselocale(CLocale())) {}
    ~CCLocaleScope() { uselocale(m_old); }
    CCLocaleScope(const CCLocaleScope&) = delete;
    CCLocaleScope& operator=(const CCLocaleScope&) = delete;

private:
    // Null if it cannot be made: uselocale(0) then changes nothing.
    static locale_t CLocale()
    {
        static const locale_t s_locale = newlocale(LC_CTYPE_MASK, "C", (locale_t)0);
        return s_locale;
    }
    locale_t m_old;
};

// Bytes of the multibyte form of count wide characters, or -1 when one of
// them has none.
long long MeasureWide(const wchar_t* s, size_t count)
{
    mbstate_t state;
    memset(&state, 0, sizeof state);
    char bytes[MB_LEN_MAX];
    long long total = 0;
    for (size_t i = 0; i < count; i++) {
        const size_t n = wcrtomb(bytes, s[i], &state);
        if (n == (size_t)-1)
            return -1;
        total += (long long)n;
    }
    return total;
}

void ConvertWide(char* out, const wchar_t* s, size_t count)
{
    mbstate_t state;
    memset(&state, 0, sizeof state);
    for (size_t i = 0; i < count; i++)
        out += wcrtomb(out, s[i], &state);
}

} // namespace

CSmallString::CSmallString(const wchar_t* s, int cch)
{
    Init();
    if (!s || cch <= 0)
        return;
    CCLocaleScope scope;
    const long long n = MeasureWide(s, (size_t)cch);
    if (n <= 0)
        return;
    if (n > INT_MAX)
        throw std::bad_alloc();
    AllocBuffer((int)n);
    ConvertWide(m_pchData, s, (size_t)cch);
}

CSmallString::CSmallString(const wchar_t* s)
{
    Init();
    if (!s)
        return;
    const size_t cch = wcslen(s);
    CCLocaleScope scope;
    const long long n = MeasureWide(s, cch);
    if (n <= 0)
        return;
    if (n > INT_MAX)
        throw std::bad_alloc();
    AllocBuffer((int)n);
    ConvertWide(m_pchData, s, cch);
}

#endif
