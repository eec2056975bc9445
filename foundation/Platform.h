// Portability shims for the portable core. On Windows the multibyte-aware
// C run-time routines of msvcrt are used as they are; the native build gets
// single-byte versions with the same results in the C locale. Nothing else
// of Win32 is imitated here.
#pragma once

#include <cctype>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <mbctype.h>
#include <mbstring.h>
#endif

namespace Mb {

#ifdef _WIN32
inline const unsigned char* U(const char* s) { return reinterpret_cast<const unsigned char*>(s); }
inline unsigned char* U(char* s) { return reinterpret_cast<unsigned char*>(s); }

inline int ICmp(const char* a, const char* b) { return _mbsicmp(U(a), U(b)); }
inline int NbICmp(const char* a, const char* b, size_t n) { return _mbsnbicmp(U(a), U(b), n); }
inline const char* Str(const char* s, const char* pat)
{
    return reinterpret_cast<const char*>(_mbsstr(U(s), U(pat)));
}
inline const char* Inc(const char* p) { return reinterpret_cast<const char*>(_mbsinc(U(p))); }
inline bool IsSpace(unsigned c) { return _ismbcspace(c) != 0; }
inline unsigned ToUpper(unsigned c) { return _mbctoupper(c); }
inline unsigned ToLower(unsigned c) { return _mbctolower(c); }
inline void Upr(char* s) { _mbsupr(U(s)); }
inline void Lwr(char* s) { _mbslwr(U(s)); }
// msvcrt's _vsnprintf: -1 when the text does not fit in count bytes.
inline int VSNPrintf(char* buf, size_t count, const char* fmt, va_list args)
{
    return _vsnprintf(buf, count, fmt, args);
}
#else
inline unsigned ToUpper(unsigned c) { return c < 256 ? (unsigned)toupper((int)c) : c; }
inline unsigned ToLower(unsigned c) { return c < 256 ? (unsigned)tolower((int)c) : c; }
inline bool IsSpace(unsigned c) { return c < 256 && isspace((int)c); }

inline int NbICmp(const char* a, const char* b, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        unsigned ca = ToUpper((unsigned char)a[i]), cb = ToUpper((unsigned char)b[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
    return 0;
}
inline int ICmp(const char* a, const char* b) { return NbICmp(a, b, (size_t)-1); }
inline const char* Str(const char* s, const char* pat) { return strstr(s, pat); }
inline const char* Inc(const char* p) { return p + 1; }
inline void Upr(char* s)
{
    for (; *s; s++)
        *s = (char)ToUpper((unsigned char)*s);
}
inline void Lwr(char* s)
{
    for (; *s; s++)
        *s = (char)ToLower((unsigned char)*s);
}
// Same contract as msvcrt's _vsnprintf: -1 when the text does not fit.
inline int VSNPrintf(char* buf, size_t count, const char* fmt, va_list args)
{
    int n = vsnprintf(buf, count + 1, fmt, args);
    return (n < 0 || (size_t)n > count) ? -1 : n;
}
#endif

// Always NUL-terminated, cut to fit; -1 when cut. The Windows build goes to
// msvcrt rather than mingw's own printf, which would add ~28 KB to the stub.
inline int SNPrintf(char* buf, size_t size, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
inline int SNPrintf(char* buf, size_t size, const char* fmt, ...)
{
    if (size == 0)
        return -1;
    va_list args;
    va_start(args, fmt);
    int n = VSNPrintf(buf, size - 1, fmt, args);
    va_end(args);
    buf[size - 1] = 0;
    return n;
}

inline char* Inc(char* p) { return const_cast<char*>(Inc(const_cast<const char*>(p))); }
inline char* Str(char* s, const char* pat) { return const_cast<char*>(Str(const_cast<const char*>(s), pat)); }

} // namespace Mb

// Interlocked counts: the compiler's atomic read-modify-write, which is the
// same locked instruction on both builds.
inline int32_t InterlockedInc(volatile int32_t* p) { return __atomic_add_fetch(p, 1, __ATOMIC_SEQ_CST); }
inline int32_t InterlockedDec(volatile int32_t* p) { return __atomic_sub_fetch(p, 1, __ATOMIC_SEQ_CST); }
