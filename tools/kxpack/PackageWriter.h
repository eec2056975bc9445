// Writes an installer: the stub image, then the package built from a
// script and numbered items, in the layout of installer/PackageFormat.h.
#pragma once

#include "Containers.h"
#include "FileStore.h"
#include "PackItem.h"
#include "PackageFormat.h"
#include "SmallString.h"

// Writes stub + data block + trailer to out as the data block is made:
// items are read in pieces, so no more than a few MiB are ever held (LZMA's
// encoder, some 200 MiB). level is zlib's or LZMA's (0-9). blockSize receives the data block's size. False,
// with why, when an item can't be read or changed size, an item or the data
// block would reach 4 GiB (the format's 32-bit sizes), out can't be written
// or zlib fails; out then holds a part of the installer.
bool BuildPackage(const Container::CArray<unsigned char>& stub, const CSmallString& script, const CPackItemList& items,
                  int level, CStoreABC& out, uint32_t& blockSize, CSmallString& why,
                  Package::ECompression compression = Package::Zlib);

// The same, appended to out: for tests and small packages.
bool BuildPackage(const Container::CArray<unsigned char>& stub, const CSmallString& script, const CPackItemList& items,
                  int level, Container::CArray<unsigned char>& out, CSmallString& why,
                  Package::ECompression compression = Package::Zlib);
