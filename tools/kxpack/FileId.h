// Which file or folder a name leads to, whatever the spelling: two names
// with the same identity are one file (hard links and symbolic links
// included).
#pragma once

struct SFileId
{
    unsigned long long uVolume;
    unsigned long long uIndex;

    bool operator==(const SFileId& other) const { return uVolume == other.uVolume && uIndex == other.uIndex; }
    bool operator!=(const SFileId& other) const { return !(*this == other); }
};

// Follows links; false when the name leads nowhere or can't be opened.
bool GetFileId(const char* path, SFileId& id);
