// Writes an installer: the stub image, then the package built from a
// script and numbered items, in the layout of installer/PackageFormat.h.
#pragma once

#include "Containers.h"
#include "SmallString.h"

typedef Container::CArray<Container::CArray<unsigned char>> CItemArray;

// Appends stub + data block + trailer to out. level is zlib's (0-9).
// False (with why) only when zlib fails or the payload is too large.
bool BuildPackage(const Container::CArray<unsigned char>& stub, const CSmallString& script, const CItemArray& items,
                  int level, Container::CArray<unsigned char>& out, CSmallString& why);
