#include "XMLStringPool.h"

#include <cstring>

CXMLStringPool::CXMLStringPool() : m_uCount(0) { memset(m_auHash, 0, sizeof(m_auHash)); }

const CSmallString& CXMLStringPool::Get(const char* text, unsigned length)
{
    if (!length)
        return m_strEmpty;
    unsigned h = 2166136261u; // FNV-1a
    for (unsigned i = 0; i < length; i++)
        h = (h ^ (unsigned char)text[i]) * 16777619u;
    for (unsigned slot = h & (kSlots - 1);; slot = (slot + 1) & (kSlots - 1)) {
        CSmallString& entry = m_astr[slot];
        if (entry.IsEmpty()) {
            if (m_uCount == kMaxEntries) {
                m_strSpare = CSmallString(text, (int)length);
                return m_strSpare;
            }
            entry = CSmallString(text, (int)length);
            m_auHash[slot] = h;
            m_uCount++;
            return entry;
        }
        if (m_auHash[slot] == h && (unsigned)entry.GetLength() == length && memcmp(entry.GetText(), text, length) == 0)
            return entry;
    }
}
