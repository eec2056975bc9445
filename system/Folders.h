// Folder trees and file presence.
#pragma once

// Creates every missing folder of path (a trailing backslash is fine);
// true when the folder exists afterwards.
bool CreateDirectoryPath(const char* path);

// Deletes the folder with everything in it. Refuses (false, nothing
// touched) a path that is empty, relative, a drive root, the Windows
// folder, a Program Files folder or the user's profile, desktop or
// documents folder: an uninstall log that names such a folder must not
// wipe it.
bool DeleteDirectory(const char* path);

// Whether DeleteDirectory would refuse this path.
bool IsProtectedFolder(const char* path);

// True when a file or folder exists at path.
bool DoesFileExist(const char* path);
