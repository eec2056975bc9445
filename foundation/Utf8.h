// UTF-8 text compared without regard to case. The program's 8-bit strings
// are UTF-8 (its manifest asks Windows for that code page), and Windows
// treats file and registry names case-blind across scripts, so a folder
// guard must see "C:\Users\JOSÉ" and "c:\users\josé" as one. Case pairs
// are folded for Latin, Greek, Cyrillic, Armenian and full-width Latin
// letters, and only between letters whose encodings have the same length,
// so equal texts always have equal byte lengths. Bytes that are not UTF-8
// are compared as they are.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Utf8 {

// A byte that starts no valid sequence comes back as kRawByte | byte.
const uint32_t kRawByte = 0x80000000u;

// The character at p (before end), moving p past it.
uint32_t Next(const char*& p, const char* end);
// Upper case of c where a same-length one exists, else c.
uint32_t FoldCase(uint32_t c);

// Case-blind order of two NUL-terminated texts, or of at most n bytes of
// each (a character starting before n is compared whole).
int ICmp(const char* a, const char* b);
int NICmp(const char* a, const char* b, size_t n);
// Same hash for texts that ICmp finds equal.
unsigned HashNoCase(const char* text);

// Whether [p, p + n) is well-formed UTF-8.
bool IsValid(const char* p, size_t n);

} // namespace Utf8
