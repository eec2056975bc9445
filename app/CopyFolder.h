// The uninstaller's temporary copy and its folder: new and private for each
// run, the copy held so that nothing else can change it before it runs,
// and the folder removed once the copy has ended.
#pragma once

#include "SmallString.h"
#include "win32/Handles.h"

// The copy's file name, inside its folder.
extern const char g_szCopyName[];

// Writes the bytes of self as g_szCopyName into a new run folder, reads
// them back through held and compares. held lets others only read the
// file, and deletes it once closed and no process runs it any more. The
// copy's path; empty, with nothing left behind, when it can't be made
// (why says so).
CSmallString MakeUninstallerCopy(const char* self, CAutoHandle& held, CSmallString& why);

// Whether name is a copy's folder name: "kx-" and 16 hex digits.
bool IsCopyFolderName(const char* name);

// Removes the empty folders in base (ending with a backslash) named as a
// copy's, made more than a minute ago: a killed copy's. Anything else,
// links and folders that hold anything included, stays.
void RemoveStaleCopyFolders(const char* base);

// In the copy, as its last act: the system's command processor removes
// the copy's folder once the copy has ended (it retries for some seconds).
// Nothing happens for a copy that doesn't run from such a folder in
// GetPrivateFolderBase (one an older launcher made, or a program started
// by hand).
void RemoveCopyFolderLater();
