// Registry key paths as scripts write them
// ("HKEY_LOCAL_MACHINE\Software\Vendor"), in one spelling, and which of
// them belong to the system or to other programs. Portable: the packer
// judges scripts by the same rules the uninstaller applies.
#pragma once

#include "SmallString.h"

namespace RegistryKeyPath {

enum ERoot
{
    NoRoot,
    LocalMachine,
    CurrentUser,
};

struct SKey
{
    ERoot eRoot = NoRoot;
    // Names joined by single backslashes, none leading or trailing: the
    // registry merges "Software\\Vendor" and "Software\Vendor\" into this.
    CSmallString strSubKey;
};

// "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER" (any case), then the end or a
// backslash and the subkey. False for any other root (the key is left
// with NoRoot).
bool Parse(const char* text, SKey& key);

// A key whose root is written another way: HKLM, HKCU, or HKCR and
// HKEY_CLASSES_ROOT, whose keys an installation writes under
// HKEY_LOCAL_MACHINE\Software\Classes (any case). True with key as Parse
// reads it; false for any other text.
bool ParseOtherSpelling(const char* text, SKey& key);

// HKEY_USERS, HKEY_CURRENT_CONFIG, HKU and HKCC: real roots, but not ones
// a script writes to (any case).
bool NamesUnwrittenRoot(const char* text);

// The root's full name ("HKEY_LOCAL_MACHINE"), or null for NoRoot.
const char* RootName(ERoot root);

// "HKEY_LOCAL_MACHINE\Software\Vendor" (the root's name alone for an empty
// subkey).
CSmallString Format(const SKey& key);

// inner is outer or one of its subkeys; names compare without regard to
// ASCII case, as the registry does.
bool IsSameOrBelow(const SKey& inner, const SKey& outer);

enum EKind
{
    Ordinary,      // nothing shared about it
    Root,          // the root itself
    TopLevel,      // right under the root: Software, System, ...
    SystemTree,    // all but Software\... (System, Control Panel, ...), Software\Policies\..., Software\Wine\...: never removed
    SharedKey,     // shared by many programs: Software\Microsoft\..., Software\Classes, ...\Uninstall, ...
    UninstallEntry, // Software\Microsoft\Windows\CurrentVersion\Uninstall\<entry>[\...]
    AppPathsEntry, // Software\Microsoft\Windows\CurrentVersion\App Paths\<entry>[\...]
    ClassesEntry,  // Software\Classes\<extension or ProgID>[\...]
    ComEntry,      // Software\Classes\CLSID\<entry>[\...], and Interface, TypeLib, AppID
};

// Where subkey (normalised) stands; for the *Entry kinds, entry receives
// the entry's name and entryKey subkey up to and including it (when
// given). Software\Wow6432Node and Software\Classes\Wow6432Node are the
// 32-bit views of the same trees.
EKind Classify(const CSmallString& subkey, CSmallString* entry = nullptr, CSmallString* entryKey = nullptr);

// The part of subkey below Software\Classes (or its Wow6432Node view),
// as HKEY_CLASSES_ROOT shows it; empty when subkey is not below it.
CSmallString BelowClasses(const CSmallString& subkey);


// The user's key that takes the place of a machine-wide one for an
// installation of the user's own: the same below HKEY_CURRENT_USER for the
// classes, App Paths and the Add/Remove entries under
// HKEY_LOCAL_MACHINE\Software ("HKEY_LOCAL_MACHINE\Software\Classes\.ext"
// becomes "HKEY_CURRENT_USER\Software\Classes\.ext"); false for any other.
bool MapToUserKey(const char* key, CSmallString& mapped);

} // namespace RegistryKeyPath
