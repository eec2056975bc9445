// The payload of a package (PackageFormat.h) pulled a piece at a time, for
// a compressor that asks for its input: the script's length, the script,
// the count, then each item's length and bytes, files read as they come.
#pragma once

#include <cstdint>
#include <memory>

#include "PackItem.h"
#include "PackageFormat.h"
#include "SmallString.h"

class CPayloadSource
{
public:
    CPayloadSource(const CSmallString& script, const CPackItemList& items) : m_script(script), m_items(items) {}
    CPayloadSource(const CPayloadSource&) = delete;
    CPayloadSource& operator=(const CPayloadSource&) = delete;

    // The payload's length in bytes.
    static unsigned long long Size(const CSmallString& script, const CPackItemList& items);

    // Up to size bytes, fewer only at the end; got 0 once all was read.
    // False, with why, when an item can't be read or changed size.
    bool Read(unsigned char* buffer, size_t size, size_t& got, CSmallString& why);
    // CRC() of all that Read gave.
    uint32_t GetCrc() const { return CRCEnd(m_uCrc); }

private:
    // On to the next length and what follows it; false past the last item.
    bool Next();

    const CSmallString& m_script;
    const CPackItemList& m_items;
    size_t m_uStage = 0; // 0: the script's length; 1: the count; 2 + i: item i
    unsigned char m_achLength[4] = {};
    unsigned m_uLengthAt = 4; // of m_achLength, handed out
    const char* m_pText = nullptr;
    size_t m_uTextLeft = 0;
    std::unique_ptr<CPackItem::CReader> m_pItem;
    uint32_t m_uCrc = CRCStart();
};
