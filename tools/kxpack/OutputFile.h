// File helpers of the packer: outputs appear whole or not at all.
#pragma once

#include <cstdint>

#include "SmallString.h"

// Where WriteFileAtomically puts the bytes before the rename.
CSmallString TemporaryNameFor(const char* path);

// Writes to a temporary name beside path, then renames it into place.
bool WriteFileAtomically(const char* path, const void* data, uint32_t size, CSmallString& why);

// True when both names lead to the same existing file.
bool IsSameFile(const char* a, const char* b);

// Anything at that name, a link to nothing included.
bool NameIsTaken(const char* path);

bool IsDirectory(const char* path);

// Creates the folder (one level) unless it exists.
bool MakeDirectory(const char* path);
