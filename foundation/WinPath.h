// The text rules of Windows paths, portable so that both builds (and the
// packer on Linux) judge a path or a file name the same way. Nothing here
// touches a file system: spellings the system resolves (8.3 names, links,
// other drive mappings) are the Windows side's business.
#pragma once

#include "SmallString.h"

namespace WinPath {

// An absolute path in one spelling: '/' as '\', repeated separators
// collapsed, "." dropped, ".." taken off the path (never above its root),
// trailing dots and blanks cut from each name as the system does, an upper-
// case drive letter, "\\?\" and "\\?\UNC\" prefixes dropped, no trailing
// separator but on a drive root ("C:\"). Empty for anything that is not an
// absolute path: relative and drive-relative ("C:x") paths, a path from the
// current drive's root ("\x"), device paths ("\\.\"), a UNC path without
// its share, or text with a NUL byte (length counts the whole text).
CSmallString Normalise(const char* path, int length);
inline CSmallString Normalise(const CSmallString& path) { return Normalise(path.GetText(), path.GetLength()); }

// Length of the root of a normalised path: 3 for "C:\", the length of
// "\\server\share" for a UNC path.
int RootLength(const CSmallString& normalised);

// Whether inner is outer or lies below it. Both normalised; names compare
// without regard to case, in any script.
bool IsSameOrInside(const CSmallString& inner, const CSmallString& outer);

// The folder a user picked with Browse, with the application's own folder
// name (the last name of defaultPath) added, so that picking "D:\Apps"
// proposes "D:\Apps\Hello" as other installers do. picked is kept as it
// is when it already ends with that name, or when pickedIsEmptyFolder (the
// user made a folder for it). Both may be spelled loosely.
CSmallString AddAppFolder(const CSmallString& picked, const CSmallString& defaultPath, bool pickedIsEmptyFolder);

// Why name can't be a single file or link name inside a folder, or null
// when it can: empty, a NUL byte (length counts the whole name), a path
// separator or drive (\ / :), "." or "..", a character Windows refuses
// (< > " | ? * and control characters), a device name (CON, NUL, COM1,
// LPT0, COM and LPT with a superscript digit... with or without an
// extension, blanks before it ignored), a trailing dot or blank (the
// system would drop it), or more than 255 bytes.
const char* WhyNotPlainName(const char* name, int length);
inline const char* WhyNotPlainName(const CSmallString& name)
{
    return WhyNotPlainName(name.GetText(), name.GetLength());
}

// What follows the last '\' or '/' (the whole path without one).
const char* GetFilename(const char* path);

// Copies source cut after its last '\' or '/' into destination (which
// may be source itself, and must hold as many bytes); no separator gives "".
void RemoveFilename(const char* source, char* destination);

// Appends a backslash unless the path is empty or already ends with one.
void EndWithBackslash(CSmallString& path);

} // namespace WinPath
