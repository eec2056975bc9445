// kxpack manifest's command line: the installer, the folders to write and
// the texts a package manager wants that an installer's script lacks.
#pragma once

#include <string>

struct SManifestOptions
{
    enum EText
    {
        Id,
        Url,
        Locale,
        Version,
        PackageName,
        Publisher,
        PublisherUrl,
        PackageUrl,
        SupportUrl,
        License,
        LicenseUrl,
        Copyright,
        ShortDescription,
        Description,
        Moniker,
        Tags,
        TextCount
    };

    const char* pszInstaller = nullptr;
    const char* pszWingetDir = nullptr;
    const char* pszChocolateyDir = nullptr;
    bool bForce = false;
    const char* apszText[TextCount] = {}; // null: not given

    const char* Get(EText text) const { return apszText[text]; }
};

// The option's name, "--license" for License.
const char* GetOptionName(SManifestOptions::EText text);

// Reads argv[2...] (options before or after the installer). False, with
// why, for a line that can't be used: an unknown or repeated option, no
// installer or two, no --id or --url, neither --winget nor --chocolatey.
bool ParseManifestOptions(int argc, char** argv, SManifestOptions& options, std::string& why);
