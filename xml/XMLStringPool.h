// Element names, attribute names and short values repeat throughout a
// script; while one document is built, a repeated text gets one string
// block that every node shares (copy-on-write keeps them independent).
#pragma once

#include "SmallString.h"

class CXMLKeyHash;

class CXMLStringPool
{
public:
    enum
    {
        kSlotBits = 10,
        kSlots = 1 << kSlotBits
    };

    CXMLStringPool();
    CXMLStringPool(const CXMLStringPool&) = delete;
    CXMLStringPool& operator=(const CXMLStringPool&) = delete;

    // A string with exactly these bytes, valid until the next call: copy it
    // to keep it. keyHash receives its Container::HashIt.
    const CSmallString& Get(const char* text, unsigned length, unsigned& keyHash);
    const CSmallString& Get(const char* text, unsigned length)
    {
        unsigned keyHash;
        return Get(text, length, keyHash);
    }

private:
    // One string per slot, the last one asked for: a text that is not
    // repeated soon is simply replaced, so there is nothing to probe and no
    // limit to reach. A slot tells by its own fields whether its string
    // can match, before the string is touched.
    struct SSlot
    {
        CSmallString str;
        unsigned uHash; // of the pool's own, below
        unsigned uLength;
        unsigned uKeyHash;
    };

    SSlot m_aSlots[kSlots];
    const CSmallString m_strEmpty;
    const CXMLKeyHash& m_keyHash;
};
