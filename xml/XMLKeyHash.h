// Container::HashIt for a text of known length, without a library call per
// character: the C library's toupper is read once into a table. The node's
// attribute map and the string pool share it, so a pooled name comes with
// the hash its map needs.
#pragma once

#include <cstddef>

class CXMLKeyHash
{
public:
    static const CXMLKeyHash& Get();

    unsigned operator()(const char* text, size_t length) const
    {
        unsigned h = 0;
        for (size_t i = 0; i < length; i++)
            h = m_auUpper[(unsigned char)text[i]] ^ (h * 2);
        return h;
    }

private:
    CXMLKeyHash();

    unsigned m_auUpper[256];
};
