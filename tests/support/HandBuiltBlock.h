// Data blocks compressed straight from the format's description with the
// libraries' one-call functions, independent of kxpack's writer.
#pragma once

#include <vector>

#include "PackageFormat.h"

std::vector<unsigned char> HandBuiltBlock(const std::vector<unsigned char>& payload,
                                          Package::ECompression compression);
