// Portability shims for the portable core. Text is UTF-8: case-blind
// comparisons fold it as Utf8.h does, on both builds; on a Windows whose code
// page is not UTF-8, msvcrt's multibyte routines serve instead. Nothing else
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

#include "Utf8.h"

namespace Mb {

#ifdef _WIN32
inline const unsigned char* U(const char* s) { return reinterpret_cast<const unsigned char*>(s); }
inline unsigned char* U(char* s) { return reinterpret_cast<unsigned char*>(s); }

// Whether the process's code page is UTF-8 (Windows 10 1903 and later
// honour the manifest's request); older systems keep their ANSI code page,
// for which msvcrt's multibyte routines are right.
bool IsUtf8();

inline int ICmp(const char* a, const char* b) { return IsUtf8() ? Utf8::ICmp(a, b) : _mbsicmp(U(a), U(b)); }
inline int NbICmp(const char* a, const char* b, size_t n)
{
    return IsUtf8() ? Utf8::NICmp(a, b, n) : _mbsnbicmp(U(a), U(b), n);
}
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

inline bool IsUtf8() { return true; }
inline int ICmp(const char* a, const char* b) { return Utf8::ICmp(a, b); }
inline int NbICmp(const char* a, const char* b, size_t n) { return Utf8::NICmp(a, b, n); }
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

// Positions past 2 GiB in C streams, on both builds.
inline int Seek64(FILE* file, long long offset, int origin)
{
#ifdef _WIN32
    return _fseeki64(file, offset, origin);
#else
    return fseeko(file, (off_t)offset, origin);
#endif
}
inline long long Tell64(FILE* file)
{
#ifdef _WIN32
    return _ftelli64(file);
#else
    return (long long)ftello(file);
#endif
}

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
