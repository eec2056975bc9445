// Element names, attribute names and short values repeat throughout a
// script; while one document is built, each distinct text gets one string
// block that every node shares (copy-on-write keeps them independent).
#pragma once

#include "SmallString.h"

class CXMLStringPool
{
public:
    enum
    {
        kSlots = 1024,     // open addressing, a power of two
        kMaxEntries = 768, // then the pool stops growing
    };

    CXMLStringPool();
    CXMLStringPool(const CXMLStringPool&) = delete;
    CXMLStringPool& operator=(const CXMLStringPool&) = delete;

    // A string with exactly these bytes: the pooled one, or when the pool
    // is full a spare that the next call replaces. Copy it to keep it.
    const CSmallString& Get(const char* text, unsigned length);

private:
    const CSmallString m_strEmpty;
    CSmallString m_strSpare;
    CSmallString m_astr[kSlots];
    unsigned m_auHash[kSlots];
    unsigned m_uCount;
};
