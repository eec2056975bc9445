// The package's logo, loaded into g_hInstallerLogo.
#pragma once

#include "Containers.h"

// Loads the bitmap held in bytes. The system loads bitmaps from files: it
// is written into a new run folder (see Security.h), which goes again once
// the bitmap is loaded. False when no bitmap could be loaded.
bool LoadInstallerLogo(const Container::CArray<unsigned char>& bytes);

// Deletes the bitmap.
void FreeInstallerLogo();
