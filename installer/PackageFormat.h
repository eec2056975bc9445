// The installer package: the layout shared by the reader (CSinReader) and
// the packer (kxpack). All integers are 32-bit little-endian, unaligned.
//
//   +----------------------+
//   | stub image           |  the installer program itself, unchanged
//   +----------------------+
//   | data block           |  SIZE bytes: the payload compressed, either
//   |                      |  one zlib stream or an LZMA block (below)
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
//
// LZMA data block (kxpack build --compression lzma):
//   +----------------------+
//   | "LZMA" or "LZ86"     |  4 bytes: the block's own declaration; "LZ86":
//   |                      |  the payload went through X86Filter.h first
//   | properties           |  5 bytes: (pb * 5 + lp) * 9 + lc, u32
//   |                      |  dictionary size (kMaxLzmaDictionary at most)
//   | LZMA stream          |  the whole payload, ended by the end mark
//   | payload CRC          |  4 bytes: CRC() of the payload
//   +----------------------+
// A zlib stream's first byte always has 8 (deflate) in its low four bits;
// 'L' has 12, so no zlib block starts as an LZMA one. The declaration lies
// under the trailer's CRC, and every package written before LZMA reads as
// it always did. The filter's offsets count from the payload's first byte. The payload CRC does for LZMA what zlib's Adler-32 does:
// damage that still decodes is refused.
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

enum ECompression
{
    Zlib,
    Lzma,
    LzmaX86, // LZMA over the payload put through the x86 branch filter
};

const char kLzmaTag[] = "LZMA";
const char kLzmaX86Tag[] = "LZ86";
const unsigned kLzmaTagSize = 4;
const unsigned kLzmaPropsSize = 5;
const unsigned kLzmaHeaderSize = kLzmaTagSize + kLzmaPropsSize;

// The stub holds the whole dictionary in memory: kxpack sizes it to the
// payload, up to this, and readers refuse a larger one.
const uint32_t kMaxLzmaDictionary = 16u << 20;
// lc + lp beyond this would need up to 6 MiB of probabilities; kxpack
// writes lc=3 lp=0.
const unsigned kMaxLzmaLcPlusLp = 4;

// The most LZMA can expand: a 273-byte match takes at least 14 coded
// decisions, each at least 0.022 bits (a probability held at 2017/2048),
// so under 7100:1. Checked as deflate's ratio is, with the decoder's few
// bytes of look-ahead added to the input left.
const uint32_t kMaxLzmaRatio = 8192;
const unsigned kLzmaLookAhead = 32;

inline ECompression DeclaredCompression(const unsigned char* block, uint32_t size)
{
    if (size >= kLzmaTagSize && memcmp(block, kLzmaTag, kLzmaTagSize) == 0)
        return Lzma;
    return size >= kLzmaTagSize && memcmp(block, kLzmaX86Tag, kLzmaTagSize) == 0 ? LzmaX86 : Zlib;
}

inline const char* LzmaTag(ECompression compression) { return compression == LzmaX86 ? kLzmaX86Tag : kLzmaTag; }

inline const char* CompressionName(ECompression compression)
{
    return compression == Lzma ? "lzma" : compression == LzmaX86 ? "lzma+x86" : "zlib";
}

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
