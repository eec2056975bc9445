// The texts of a package-manager manifest, each from the installer's script
// or from kxpack manifest's options, and checked against what winget and
// Chocolatey accept: nothing is made up, and nothing they would refuse is
// written.
#pragma once

#include <string>
#include <vector>

#include "InstallerFacts.h"
#include "ManifestOptions.h"

struct SPackageTexts
{
    std::string strId;           // winget's PackageIdentifier, Publisher.App
    std::string strChocolateyId; // the same in lower case
    std::string strUrl;          // where the installer is downloaded from
    std::string strLocale;
    std::string strVersion;
    std::string strName;
    std::string strPublisher;
    std::string strPublisherUrl;
    std::string strPackageUrl;
    std::string strSupportUrl;
    std::string strLicense;
    std::string strLicenseUrl;
    std::string strCopyright;
    std::string strShortDescription;
    std::string strDescription;
    std::string strMoniker;
    std::vector<std::string> arrTags;
};

// Takes each text from its option, else from the script; false, with why
// (naming the option to pass), when one that the manifests asked for need
// is missing or one is refused.
bool ResolvePackageTexts(const SInstallerFacts& facts, const SManifestOptions& options, SPackageTexts& texts,
                         std::string& why);

// Whether text is a winget package identifier (2 to 8 names joined by
// dots), and whether version is one Chocolatey takes. For the tests too.
bool IsWingetId(const std::string& text);
bool IsChocolateyVersion(const std::string& version);
