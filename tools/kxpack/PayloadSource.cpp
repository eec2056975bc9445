#include "PayloadSource.h"

#include <algorithm>
#include <cstring>


unsigned long long CPayloadSource::Size(const CSmallString& script, const CPackItemList& items)
{
    unsigned long long size = 4 + (unsigned long long)script.GetLength() + 4;
    for (const CPackItem& item : items)
        size += 4 + item.GetSize();
    return size;
}

bool CPayloadSource::Next()
{
    uint32_t length = 0;
    if (m_uStage == 0) {
        length = (uint32_t)m_script.GetLength();
        m_pText = m_script.GetText();
        m_uTextLeft = (size_t)m_script.GetLength();
    } else if (m_uStage == 1) {
        length = (uint32_t)m_items.size();
    } else if (m_uStage - 2 < m_items.size()) {
        const CPackItem& item = m_items[m_uStage - 2];
        length = (uint32_t)item.GetSize();
        m_pItem.reset(new CPackItem::CReader(item));
    } else {
        return false;
    }
    m_uStage++;
    Package::WriteU32(m_achLength, length);
    m_uLengthAt = 0;
    return true;
}

bool CPayloadSource::Read(unsigned char* buffer, size_t size, size_t& got, CSmallString& why)
{
    got = 0;
    while (got < size) {
        if (m_uLengthAt < 4) {
            const size_t n = std::min<size_t>(4 - m_uLengthAt, size - got);
            memcpy(buffer + got, m_achLength + m_uLengthAt, n);
            m_uLengthAt += (unsigned)n;
            got += n;
        } else if (m_uTextLeft) {
            const size_t n = std::min(m_uTextLeft, size - got);
            memcpy(buffer + got, m_pText, n);
            m_pText += n;
            m_uTextLeft -= n;
            got += n;
        } else if (m_pItem) {
            size_t n = 0;
            if (!m_pItem->Read(buffer + got, size - got, n, why))
                return false;
            got += n;
            if (!n)
                m_pItem.reset();
        } else if (!Next()) {
            break;
        }
    }
    m_uCrc = CRCAdd(m_uCrc, buffer, (uint32_t)got);
    return true;
}
