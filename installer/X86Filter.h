// The x86 branch filter of an LZMA block that declares it (PackageFormat.h).
// Calls (E8) and jumps (E9) carry a displacement from the next instruction;
// the filter makes it absolute, so that every call of one function in a
// program reads alike and compresses. Only displacements whose top byte is
// 0x00 or 0xFF change, and they stay so (sums modulo 2^25), which is what
// lets the reverse find the same ones: after any E8 or E9 the scan steps
// over the four bytes behind it, changed or not, so both directions look at
// the same bytes.
#pragma once

#include <cstdint>

namespace X86Filter {

enum EDirection
{
    None,   // the stage only hands bytes on
    Encode, // for the packer
    Decode, // for readers
};

// Converts data[0..size) in place, its first byte at offset position of the
// stream; returns how many bytes are final. The others (fewer than 5) must
// come again with what follows them, or stay as they are at the stream's end.
uint32_t Convert(EDirection direction, unsigned char* data, uint32_t size, uint32_t position);

} // namespace X86Filter

// A stream's bytes passing through the filter in pieces of any size: what
// arrives goes in at Tail(), what is final comes out of Ready().
class CX86FilterStage
{
public:
    explicit CX86FilterStage(X86Filter::EDirection direction) : m_eDirection(direction) {}

    void Reset() { m_uBase = m_uTaken = m_uFinal = m_uFilled = 0; }

    // Room for more of the stream; first moves what waits to the front, once
    // all that was ready was taken.
    unsigned char* Tail();
    uint32_t Space() const { return kSize - m_uFilled; }
    // n bytes came at Tail(); ended: nothing follows them.
    void Added(uint32_t n, bool ended);

    const unsigned char* Ready() const { return m_achBytes + m_uTaken; }
    uint32_t ReadyCount() const { return m_uFinal - m_uTaken; }
    void Taken(uint32_t n) { m_uTaken += n; }

private:
    static const uint32_t kSize = 64 * 1024;

    X86Filter::EDirection m_eDirection;
    uint32_t m_uBase = 0;   // the stream offset of m_achBytes[0]
    uint32_t m_uTaken = 0;  // handed on
    uint32_t m_uFinal = 0;  // converted and final
    uint32_t m_uFilled = 0; // arrived
    unsigned char m_achBytes[kSize];
};
