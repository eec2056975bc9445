// What the Destination page tells and checks before it lets the user go
// on: the space the installation takes and the drive has, and whether the
// folder can be made and written at all.
#pragma once

#include <windows.h>

#include "SmallString.h"

// "512 bytes", "1.4 KB", "23.0 MB", "2.5 GB": as Windows rounds sizes for users.
CSmallString FormatByteSize(unsigned long long bytes);

// Free bytes for this user on the drive the folder would be made on (its
// nearest existing parent); false when that can't be told.
bool GetFolderFreeSpace(const CSmallString& folder, unsigned long long& bytes);

// Makes the folder (and its missing parents) and a file in it, then removes
// all it made. False, with the path that failed and the system's error,
// when something can't be made.
bool TryWriting(const CSmallString& folder, CSmallString& failedPath, DWORD& error);
