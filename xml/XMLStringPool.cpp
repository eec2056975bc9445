#include "XMLStringPool.h"

#include <cstdint>
#include <cstring>

#include "XMLKeyHash.h"

namespace {

inline uint32_t Load32(const char* p)
{
    uint32_t v;
    memcpy(&v, p, sizeof(v));
    return v;
}

inline uint64_t Load64(const char* p)
{
    uint64_t v;
    memcpy(&v, p, sizeof(v));
    return v;
}

// A hash from the first and the last bytes, in constant time: up to 16
// bytes (names and the values the builder pools) every byte counts.
inline unsigned QuickHash(const char* text, unsigned length)
{
    uint64_t a, b;
    if (length >= 8) {
        a = Load64(text);
        b = Load64(text + length - 8);
    } else if (length >= 4) {
        a = Load32(text);
        b = Load32(text + length - 4);
    } else {
        a = (unsigned char)text[0] | (unsigned)(unsigned char)text[length / 2] << 8;
        b = (unsigned char)text[length - 1];
    }
    const uint64_t h = (a * 0x9E3779B97F4A7C15ull) ^ (b * 0xC2B2AE3D27D4EB4Full) ^ length;
    return (unsigned)(h >> 32) ^ (unsigned)h;
}

// memcmp for the short texts pooled, without a call.
inline bool SameBytes(const char* a, const char* b, unsigned length)
{
    if (length >= 8 && length <= 16)
        return Load64(a) == Load64(b) && Load64(a + length - 8) == Load64(b + length - 8);
    if (length >= 4 && length < 8)
        return Load32(a) == Load32(b) && Load32(a + length - 4) == Load32(b + length - 4);
    return memcmp(a, b, length) == 0;
}

} // namespace

CXMLStringPool::CXMLStringPool() : m_keyHash(CXMLKeyHash::Get())
{
    for (SSlot& slot : m_aSlots) {
        slot.uHash = 0;
        slot.uLength = 0;
        slot.uKeyHash = 0;
    }
}

const CSmallString& CXMLStringPool::Get(const char* text, unsigned length, unsigned& keyHash)
{
    if (!length) {
        keyHash = 0;
        return m_strEmpty;
    }
    const unsigned h = QuickHash(text, length);
    SSlot& slot = m_aSlots[(h * 2654435761u) >> (32 - kSlotBits)]; // well-mixed top bits
    if (slot.uHash != h || slot.uLength != length || !SameBytes(slot.str.GetText(), text, length)) {
        slot.str = CSmallString(text, (int)length);
        slot.uHash = h;
        slot.uLength = length;
        slot.uKeyHash = m_keyHash(text, length);
    }
    keyHash = slot.uKeyHash;
    return slot.str;
}
