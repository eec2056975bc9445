// Who this process is, and folders only the right people can write: what
// an installer running with administrator rights needs so that nothing a
// user (or a program of the user's) could have placed is trusted.
#pragma once

#include "SmallString.h"

// The process holds administrator rights in full (an elevated token, or a
// system without UAC where an administrator runs everything so).
bool IsProcessElevated();

// Elevated, or an administrator whose rights wait behind the elevation
// prompt (a split token): one who may install for every user.
bool IsUserAnAdministrator();

// Bytes from the system's random source; false when it had none.
bool GetRandomBytes(void* buffer, unsigned size);

enum EFolderAccess
{
    // This user alone; when elevated, SYSTEM and the Administrators as well.
    FolderForThisUser,
    // SYSTEM and the Administrators write; everyone else may only read.
    FolderForAdministrators,
};

// The access as a security descriptor's text (SDDL): full control for each
// who may write, read and run for the others who may read, nothing
// inherited from the parent, the same for everything made inside.
CSmallString DescribeFolderAccess(EFolderAccess access, const char* userSid, bool elevated);

// Creates a new folder (never one that exists, nor through a link) with
// exactly the access asked for. False, with the system's error in
// GetLastError, when it can't.
bool CreateFolderWithAccess(const char* path, EFolderAccess access);

// "<base><prefix><16 random hex digits>", a name no one can have guessed;
// empty when the system gave no random bytes.
CSmallString NewPrivateFolderName(const char* base, const char* prefix);

// A new folder "<base><prefix><16 random hex digits>" made with
// CreateFolderWithAccess: another process can't have made or guessed it
// beforehand. base ends with a backslash. Empty when none could be made.
CSmallString CreatePrivateFolder(const char* base, const char* prefix, EFolderAccess access);

// Where a private folder for this run's own temporary files goes: the
// user's temporary folder, or when elevated one the user doesn't control
// (the Windows folder's Temp; empty when that isn't a plain folder, never
// the user's instead). Ends with a backslash.
CSmallString GetPrivateFolderBase();

// A private folder under GetPrivateFolderBase for this run's own files:
// the user's alone, or when elevated the administrators' (the user may
// only read it), so that no program of the user's can put anything into it
// (a DLL beside a program started from there) or swap what is there.
// Empty when none could be made.
CSmallString CreateRunFolder(const char* prefix);
