// The installer package: the layout shared by the reader (CSinReader) and
// the packer (kxpack). All integers are 32-bit little-endian, unaligned.
//
//   +----------------------+
//   | stub image           |  the installer program itself, unchanged
//   +----------------------+
//   | data block           |  SIZE bytes: one zlib stream of the payload
//   +----------------------+  <- end - 26
//   | CRC value   | "CRC"  |  4 + 3 bytes: Crc() of the data block
//   | SIZE value  | "SIZE" |  4 + 4 bytes
//   | 1234        |"KXCheck"| 4 + 7 bytes
//   +----------------------+  <- end of file (trailer: 26 bytes)
//   | tail (optional)      |  ignored when it holds no "KXCheck"
//   +----------------------+   (code-signing tools append here)
//
// Payload (the inflated data block):
//   u32 L, L bytes of script text (XML, no terminator),
//   u32 N, then N items: u32 Li, Li bytes.   Items are numbered 0..N-1.
#pragma once

#include <cstdint>
#include <cstring>

namespace Package {

const char kMagicTag[] = "KXCheck";
const char kSizeTag[] = "SIZE";
const char kCrcTag[] = "CRC";
const uint32_t kMagicValue = 1234;
const unsigned kTrailerSize = 4 + 3 + 4 + 4 + 4 + 7;

// The reader refuses payloads that would inflate past this: a 32-bit
// process holds the installer file, the payload and the stub at once.
const uint32_t kMaxPayload = 1u << 30;

// Deflate never expands by more than 1032:1, so a claimed length beyond
// that multiple of the compressed bytes left is a corrupt package.
const uint32_t kMaxDeflateRatio = 1032;

inline uint32_t ReadU32(const unsigned char* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

inline void WriteU32(unsigned char* p, uint32_t v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

} // namespace Package

// The package checksum: a CRC-32 (generator 0x04C11DB7) in a left-shifting
// register fed each byte's bits least-significant first, started at
// 0xFFFFFFFF, with no final XOR and no reflection.
uint32_t CRC(const unsigned char* data, uint32_t length);

// The same checksum over pieces, for data that is never in memory whole:
// CRCEnd(CRCAdd(...CRCAdd(CRCStart(), piece1)..., pieceN)).
uint32_t CRCStart();
uint32_t CRCAdd(uint32_t state, const unsigned char* data, uint32_t length);
uint32_t CRCEnd(uint32_t state);

// The same checksum one bit at a time, exactly as defined; kept as the
// reference for tests and benchmarks.
uint32_t CRCBitwise(const unsigned char* data, uint32_t length);
