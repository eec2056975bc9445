// The payload as one solid LZMA stream, in the data block's LZMA layout
// (PackageFormat.h): the dictionary sized to the payload, up to the 16 MiB
// the stub holds; lc=3 lp=0 pb=2, which suit program code. LzmaX86 puts the
// payload through the x86 branch filter first (X86Filter.h).
#pragma once

#include "BlockOut.h"
#include "PackItem.h"
#include "PackageFormat.h"
#include "SmallString.h"

// level is the SDK's (0-9). False, with why, when an item can't be read or
// changed size, the encoder runs out of memory or out can't be written.
bool WriteLzmaBlock(const CSmallString& script, const CPackItemList& items, int level,
                    Package::ECompression compression, CBlockOut& out, CSmallString& why);
