// kxpack manifest's command line: the installer, the folders to write and
// the texts a package manager wants that an installer's script lacks.
#pragma once

#include <vector>

#include "CommandArgs.h"

#include <string>

// X(identifier, "option"): each text option, written once for the enum and
// the names.
#define KX_MANIFEST_TEXT_OPTIONS(X)                                                                                    \
    X(Id, "--id")                                                                                                      \
    X(Url, "--url")                                                                                                    \
    X(Locale, "--locale")                                                                                              \
    X(Version, "--version")                                                                                            \
    X(PackageName, "--package-name")                                                                                   \
    X(Publisher, "--publisher")                                                                                        \
    X(PublisherUrl, "--publisher-url")                                                                                 \
    X(PackageUrl, "--package-url")                                                                                     \
    X(SupportUrl, "--support-url")                                                                                     \
    X(License, "--license")                                                                                            \
    X(LicenseUrl, "--license-url")                                                                                     \
    X(Copyright, "--copyright")                                                                                        \
    X(ShortDescription, "--short-description")                                                                         \
    X(Description, "--description")                                                                                    \
    X(Moniker, "--moniker")                                                                                            \
    X(Tags, "--tags")

struct SManifestOptions
{
    enum EText
    {
#define KX_TEXT_OPTION_ID(id, name) id,
        KX_MANIFEST_TEXT_OPTIONS(KX_TEXT_OPTION_ID)
#undef KX_TEXT_OPTION_ID
            TextCount
    };

    const char* pszInstaller = nullptr;
    const char* pszWingetDir = nullptr;
    const char* pszChocolateyDir = nullptr;
    bool bForce = false;
    const char* apszText[TextCount] = {}; // null: not given

    const char* Get(EText text) const
    {
        return apszText[text];
    }
};

// The option's name, "--license" for License.
const char* GetOptionName(SManifestOptions::EText text);

// The options manifest takes, for the one argument reader of every command.
void AddManifestOptionRules(std::vector<SOptionRule>& rules);
// The options as read; false, with why, without an installer, --id or
// --url, or without both --winget and --chocolatey.
bool TakeManifestOptions(const CCommandArgs& args, SManifestOptions& options, std::string& why);
