#include "XMLStringPool.h"

#include <cstring>

#include "XMLKeyHash.h"

CXMLStringPool::CXMLStringPool() : m_hash(CXMLKeyHash::Get()) { memset(m_auHash, 0, sizeof(m_auHash)); }

// The map's own hash picks the slot too: texts that differ only in case
// then share one, which costs nothing but a miss now and then.
const CSmallString& CXMLStringPool::Get(const char* text, unsigned length, unsigned& keyHash)
{
    const unsigned h = m_hash(text, length);
    keyHash = h;
    if (!length)
        return m_strEmpty;
    const unsigned slot = ((h ^ length) * 2654435761u) >> (32 - kSlotBits); // well-mixed top bits
    CSmallString& entry = m_astr[slot];
    unsigned& hash = m_auHash[slot];
    if (hash != h || (unsigned)entry.GetLength() != length || memcmp(entry.GetText(), text, length) != 0) {
        entry = CSmallString(text, (int)length);
        hash = h;
    }
    return entry;
}
