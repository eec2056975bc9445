// A file's identity as the undo compares it: its volume's serial number,
// its index on that volume and its size. The volume is asked once per
// folder: under Wine every ask goes to the mount manager, about 0.5 ms, and
// an installation asks twice for each file it writes.
#pragma once

#include <windows.h>

#include "Containers.h"
#include "SmallString.h"

struct SFileIdentity
{
    DWORD dwVolume = 0;
    DWORD dwIndexHigh = 0;
    DWORD dwIndexLow = 0;
    unsigned long long ullSize = 0;
};

class CFileIdentities
{
public:
    // path names the file that file is open on (for its folder).
    bool Get(const CSmallString& path, HANDLE file, SFileIdentity& identity);

private:
    Container::CMap<CSmallString, DWORD> m_mapVolumes; // folder -> serial number
};
