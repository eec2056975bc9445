// Which files in a folder another program holds open.
#pragma once

#include "Containers.h"
#include "SmallString.h"

// The files in folder and its sub-folders, at most max of them (cut set
// when there were more). Links are neither listed nor followed: what they
// lead to is no part of the folder.
void ListFilesIn(const char* folder, unsigned max, Container::CArray<CSmallString>& files, bool& cut);

// Whether a program holds the file: opened for writing without sharing,
// it fails with a sharing or lock violation (a running program's own
// file, a loaded DLL, a document kept open). Nothing is written; any other
// failure (no access, gone) is not "held".
bool IsFileHeld(const char* path);

// IsFileHeld for each of files, into held (same order). Many are checked
// on two threads: the system's share of each check overlaps the caller's.
void CheckFilesHeld(const Container::CArray<CSmallString>& files, Container::CArray<bool>& held);
