// Whole-file text helpers over CFileStore for callers that want a yes or
// no rather than an exception: nothing here throws.
#pragma once

#include "Containers.h"
#include "SmallString.h"

// True when path names a file that can be opened and sized for reading.
bool FileExists(const char* path);

// The whole file into text (which may hold NUL bytes); on failure text is
// left empty.
bool LoadFileIntoString(const char* path, CSmallString& text);

// The whole file into array; on failure array is left empty.
bool ReadFileIntoArray(const char* path, Container::CArray<unsigned char>& array);

// Creates or truncates the file and writes the text (strlen bytes, or
// exactly length bytes).
bool WriteStringToFile(const char* path, const char* text);
bool WriteStringToFile(const char* path, const char* text, unsigned length);
