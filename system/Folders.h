// Folder trees and file presence.
#pragma once

#include "Containers.h"
#include "SmallString.h"

// Creates every missing folder of path (a trailing backslash is fine);
// true when the folder exists afterwards.
bool CreateDirectoryPath(const char* path);

// Deletes the folder with everything in it, read-only files included;
// links (junctions, symbolic links) are neither followed nor removed, and
// count as left over, as does a folder swapped for one after it was found
// (each is checked again right before it is listed and removed). Refuses
// (false, nothing touched) a path that is empty, relative, a drive root,
// the Windows folder, a Program Files folder or the user's profile,
// desktop or documents folder: an uninstall log that names such a folder
// must not wipe it. True when the folder is gone afterwards (also when it
// never existed); false for a file, or when anything could not be removed.
bool DeleteDirectory(const char* path);
// The same, but keepFile (a running program's own file) and the folders
// that hold it stay without counting as failures; whatever else could not
// be removed is added to leftovers (when given).
bool DeleteDirectory(const char* path, const char* keepFile, Container::CArray<CSmallString>* leftovers);

// Tests only (null in the product): called with each folder
// DeleteDirectory is about to list, or to remove, right before it checks
// that the folder is still the one it found, so that a test can swap it.
extern void (*g_pfnBeforeFolderCheck)(const char* folder, bool removing);

// Whether DeleteDirectory would refuse this path: see above, plus any
// ancestor of those folders, the shell's other per-user and common
// folders, the temporary folder, wildcards and \\?\ or \\.\ paths.
// Compared as full long paths, case-insensitively.
bool IsProtectedFolder(const char* path);

// The Windows folder, the system folder or anything inside them. resolved:
// path is ResolvePath's answer already.
bool IsInsideWindowsFolder(const char* path, bool resolved = false);

// The one spelling of an absolute path: normalised (WinPath::Normalise),
// and as far as it exists, as the system itself names it (other drive
// mappings, 8.3 names and links resolved). Empty for a relative path.
CSmallString ResolvePath(const char* path);

// The system's own spelling of an existing file or folder: the drive it is
// really on (a Wine Z:\...\drive_c path becomes C:\), long names, links
// followed (GetFinalPathNameByHandle, since Vista). Empty when it can't be
// opened.
CSmallString GetFinalPath(const char* existing);

// The same for the folder that holds path, with path's own name added as
// it is: a link there is the thing itself, never followed (deleting the
// answer removes the link, not what it points to). Empty for a relative
// path or a drive root.
CSmallString ResolveAllButLast(const char* path);

// Whether path, as far as it exists, is reached through a link (junction,
// symbolic link, mount point) in any of its folders or itself, or through
// another drive mapping: the system names it otherwise than its long
// spelling.
bool IsReachedThroughLink(const char* path);

// path normalised, with the part that exists in its long names (8.3 names
// written out): the spelling under which a destination is judged and kept.
// Empty for anything that is not an absolute path.
CSmallString GetLongSpelling(const char* path);

// Whether the thing at path (not followed) is a link of any kind: the
// attribute says so, or the system names it where it leads.
bool IsLink(const char* path);

// Deletes the file at path; false, touching nothing, when path is a link
// (what a link leads to is never deleted, and no call deletes a link alike
// everywhere: Windows deletes the link, Wine what it leads to).
bool DeleteFileName(const char* path);

// True when a file or folder exists at path.
bool DoesFileExist(const char* path);
// Whether a folder (or a link to one) is at path.
bool IsFolder(const char* path);

// Writes size bytes as a new file at path. Whatever had the name goes
// first, by its own name: a link itself, never what it points at, which
// is never written either. False, with the system's error in
// GetLastError, when it can't be written.
bool WriteNewFile(const char* path, const void* data, unsigned size);

// True only when folder exists and holds at least one entry besides "."
// and "..": the case where installing there needs the user's consent.
bool IsFolderOccupied(const char* folder);
