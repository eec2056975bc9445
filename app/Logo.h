// The package's logo: written to a temporary bitmap file, loaded into
// g_hInstallerLogo, and removed again at exit.
#pragma once

#include "Containers.h"
#include "SmallString.h"

// Loads the bitmap held in bytes. tempPath receives the temporary file's
// name once it has been written (empty when nothing was written); false
// when no bitmap could be loaded.
bool LoadInstallerLogo(const Container::CArray<unsigned char>& bytes, CSmallString& tempPath);

// Deletes the bitmap and the temporary file (when tempPath is not empty).
void FreeInstallerLogo(const CSmallString& tempPath);
