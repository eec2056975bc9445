#include "XMLStringPool.h"

#include <cstring>

CXMLStringPool::CXMLStringPool() { memset(m_auHash, 0, sizeof(m_auHash)); }

const CSmallString& CXMLStringPool::Get(const char* text, unsigned length)
{
    if (!length)
        return m_strEmpty;
    unsigned h = length;
    for (unsigned i = 0; i < length; i++)
        h = h * 33 ^ (unsigned char)text[i];
    const unsigned slot = (h * 2654435761u) >> (32 - kSlotBits); // well-mixed top bits
    CSmallString& entry = m_astr[slot];
    unsigned& hash = m_auHash[slot];
    if (hash != h || (unsigned)entry.GetLength() != length || memcmp(entry.GetText(), text, length) != 0) {
        entry = CSmallString(text, (int)length);
        hash = h;
    }
    return entry;
}
