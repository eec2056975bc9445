// Turns a package's data block back into its payload a step at a time, from
// input its caller reads in: zlib's inflate, or the LZMA SDK's decoder with
// the block's header, x86 filter and payload CRC (PackageFormat.h).
#pragma once

#include <cstdint>

#include "PackageFormat.h"

class CBlockDecoderABC
{
public:
    enum EStep
    {
        StepOn,      // more to come
        StepEnded,   // the block's stream ended soundly
        StepDamaged, // corrupt, or the input ended too soon
        StepNoMemory,
    };

    virtual ~CBlockDecoderABC() {}
    // Back to the start of the block; false when out of memory. Memory
    // taken stays for the next start.
    virtual bool Start() = 0;
    // Decodes from in into out as far as either goes, advancing both.
    // inputEnds: nothing follows the bytes in hands over.
    virtual EStep Decode(const unsigned char*& in, uint32_t& inLen, unsigned char*& out, uint32_t& outLen,
                         bool inputEnds) = 0;
    // The most payload the block's bytes not yet handed over could still
    // make: more is a lying length, refused before anything is allocated.
    virtual unsigned long long MostOut(unsigned long long inLeft) const = 0;
};

// Null when out of memory.
CBlockDecoderABC* NewZlibDecoder();
CBlockDecoderABC* NewLzmaDecoder(Package::ECompression compression);

inline CBlockDecoderABC* NewBlockDecoder(Package::ECompression compression)
{
    return compression == Package::Zlib ? NewZlibDecoder() : NewLzmaDecoder(compression);
}
