// The zlib data block made by libdeflate at its strongest level, which
// shrinks real programs' installers by a few percent more than zlib's 9
// (the stub still inflates it with zlib). libdeflate has no streaming: the
// payload is held whole, so only payloads up to kWholeDeflateMax go this way.
#pragma once

#include "BlockOut.h"
#include "PackItem.h"
#include "SmallString.h"

const unsigned long long kWholeDeflateMax = 256ull << 20;

// Whether this build has libdeflate and the payload is small enough for it.
bool CanDeflateWhole(unsigned long long payload);

// The whole payload (PackageFormat.h) deflated at once into out. False,
// with why, when an item can't be read or the compressor fails.
bool WriteWholeDeflateBlock(const CSmallString& script, const CPackItemList& items, CBlockOut& out,
                            CSmallString& why);
