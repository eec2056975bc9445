// A shortcut's name: a plain file name, or in the Start menu's folders one
// sub-folder and a name ("Vendor\App"), which the installation creates and
// the uninstall removes once empty. Shared by the engine and the packer's
// check, so that neither takes what the other refuses.
#pragma once

#include "SmallString.h"

// Null when name may be used in the shortcut folder folderName; else why.
// subFolder and leaf receive the parts (subFolder empty without one).
const char* WhyNotShortcutName(const char* folderName, const CSmallString& name, CSmallString* subFolder = nullptr,
                               CSmallString* leaf = nullptr);
