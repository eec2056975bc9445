// A Chocolatey package of an installer, ready for `choco pack`: <id>.nuspec
// and tools/chocolateyInstall.ps1 and tools/chocolateyUninstall.ps1, which
// download and run the installer unattended and remove it again through
// its Add/Remove entry.
#pragma once

#include <vector>

#include "InstallerFacts.h"
#include "ManifestFiles.h"
#include "PackageTexts.h"

void ComposeChocolatey(const SInstallerFacts& facts, const SPackageTexts& texts, const char* dir,
                       std::vector<SManifestFile>& files);
