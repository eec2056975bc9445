#include "XMLKeyHash.h"

#include <cctype>

CXMLKeyHash::CXMLKeyHash()
{
    for (unsigned c = 0; c < 256; c++)
        m_auUpper[c] = (unsigned)toupper((int)c);
}

const CXMLKeyHash& CXMLKeyHash::Get()
{
    static const CXMLKeyHash s_hash;
    return s_hash;
}
