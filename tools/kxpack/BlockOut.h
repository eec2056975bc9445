// Where a data block goes as the compressor makes it: written to the
// installer, its size and CRC kept for the trailer.
#pragma once

#include <cstdint>

#include "FileStore.h"
#include "PackageFormat.h"
#include "SmallString.h"

// out.Write, its exception turned into why.
bool WriteOut(CStoreABC& out, const void* data, uint32_t size, CSmallString& why);

class CBlockOut
{
public:
    explicit CBlockOut(CStoreABC& out) : m_out(out) {}

    // False, with why, when out can't be written or the block would reach
    // 4 GiB (the format's 32-bit size).
    bool Emit(const void* data, uint32_t size, CSmallString& why);

    uint32_t GetSize() const { return (uint32_t)m_ullSize; }
    uint32_t GetCRC() const { return CRCEnd(m_uCrc); }

private:
    CStoreABC& m_out;
    unsigned long long m_ullSize = 0;
    uint32_t m_uCrc = CRCStart();
};
