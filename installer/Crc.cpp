#include <zlib.h>

#include "PackageFormat.h"

uint32_t CRCBitwise(const unsigned char* data, uint32_t length)
{
    uint32_t reg = 0xFFFFFFFF;
    for (uint32_t i = 0; i < length; i++) {
        unsigned b = data[i];
        for (int bit = 0; bit < 8; bit++) {
            const uint32_t t = (b & 1) ^ (reg >> 31);
            reg <<= 1;
            b >>= 1;
            if (t)
                reg ^= 0x04C11DB7;
        }
    }
    return reg;
}

// The register above is the mirror image of the reflected CRC-32 register
// that zlib keeps, before zlib's final complement; so the checksum is the
// bit-reversal of ~crc32(), computed at zlib's speed.
static uint32_t ReverseBits(uint32_t v)
{
    v = ((v >> 1) & 0x55555555) | ((v & 0x55555555) << 1);
    v = ((v >> 2) & 0x33333333) | ((v & 0x33333333) << 2);
    v = ((v >> 4) & 0x0F0F0F0F) | ((v & 0x0F0F0F0F) << 4);
    v = ((v >> 8) & 0x00FF00FF) | ((v & 0x00FF00FF) << 8);
    return (v >> 16) | (v << 16);
}

uint32_t CRCStart() { return (uint32_t)crc32(0L, Z_NULL, 0); }

uint32_t CRCAdd(uint32_t state, const unsigned char* data, uint32_t length)
{
    uLong crc = state;
    // crc32() takes a uInt length; feed large buffers in pieces.
    while (length) {
        const uInt piece = length > 0x40000000u ? 0x40000000u : (uInt)length;
        crc = crc32(crc, data, piece);
        data += piece;
        length -= piece;
    }
    return (uint32_t)crc;
}

uint32_t CRCEnd(uint32_t state) { return ReverseBits(~state); }

uint32_t CRC(const unsigned char* data, uint32_t length) { return CRCEnd(CRCAdd(CRCStart(), data, length)); }
