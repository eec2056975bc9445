#include "X86Filter.h"

#include <cstring>

#include "PackageFormat.h"

uint32_t X86Filter::Convert(EDirection direction, unsigned char* data, uint32_t size, uint32_t position)
{
    if (direction == None)
        return size;
    uint32_t i = 0;
    for (; size >= 5 && i <= size - 5; i++) {
        if ((data[i] & 0xFE) != 0xE8)
            continue;
        const unsigned char top = data[i + 4];
        if (top == 0 || top == 0xFF) {
            const uint32_t next = position + i + 5;
            uint32_t value = Package::ReadU32(data + i + 1);
            value = (direction == Encode ? value + next : value - next) & 0x01FFFFFF;
            if (value & 0x01000000)
                value |= 0xFE000000;
            Package::WriteU32(data + i + 1, value);
        }
        i += 4;
    }
    return i < size ? i : size;
}

unsigned char* CX86FilterStage::Tail()
{
    if (m_uTaken == m_uFinal && m_uFinal) {
        memmove(m_achBytes, m_achBytes + m_uFinal, m_uFilled - m_uFinal);
        m_uBase += m_uFinal;
        m_uFilled -= m_uFinal;
        m_uTaken = m_uFinal = 0;
    }
    return m_achBytes + m_uFilled;
}

void CX86FilterStage::Added(uint32_t n, bool ended)
{
    m_uFilled += n;
    m_uFinal += X86Filter::Convert(m_eDirection, m_achBytes + m_uFinal, m_uFilled - m_uFinal, m_uBase + m_uFinal);
    if (ended)
        m_uFinal = m_uFilled;
}
