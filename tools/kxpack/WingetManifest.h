// winget's multi-file manifest of an installer: the version, installer and
// default locale files (schema 1.10.0), named as the community repository
// wants them: <Id>.yaml, <Id>.installer.yaml, <Id>.locale.<locale>.yaml.
#pragma once

#include <vector>

#include "InstallerFacts.h"
#include "ManifestFiles.h"
#include "PackageTexts.h"

// The installer's own switches, as its usage (/?) names them.
namespace Switch {
constexpr char Silent[] = "/S";
constexpr char InstallLocation[] = "/D=<INSTALLPATH>"; // takes the rest of the line: winget puts it last
constexpr char Log[] = "/LOG=\"<LOGPATH>\"";           // quoted: the path may hold blanks
constexpr char AllUsers[] = "/ALLUSERS";
constexpr char CurrentUser[] = "/CURRENTUSER";
} // namespace Switch

void ComposeWinget(const SInstallerFacts& facts, const SPackageTexts& texts, const char* dir,
                   std::vector<SManifestFile>& files);
