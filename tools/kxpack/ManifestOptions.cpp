#include "ManifestOptions.h"

#include <cstring>

namespace {

const char* const kTextOptions[SManifestOptions::TextCount] = {
#define KX_TEXT_OPTION_NAME(id, name) name,
    KX_MANIFEST_TEXT_OPTIONS(KX_TEXT_OPTION_NAME)
#undef KX_TEXT_OPTION_NAME
};

} // namespace

const char* GetOptionName(SManifestOptions::EText text)
{
    return kTextOptions[text];
}

void AddManifestOptionRules(std::vector<SOptionRule>& rules)
{
    rules.push_back({"--force", nullptr, OptionFlag});
    rules.push_back({"--winget", nullptr, OptionValue});
    rules.push_back({"--chocolatey", nullptr, OptionValue});
    for (const char* name : kTextOptions)
        rules.push_back({name, nullptr, OptionValue});
}

bool TakeManifestOptions(const CCommandArgs& args, SManifestOptions& options, std::string& why)
{
    options.bForce = args.Has("--force");
    options.pszWingetDir = args.Value("--winget");
    options.pszChocolateyDir = args.Value("--chocolatey");
    for (int t = 0; t < SManifestOptions::TextCount; t++)
        options.apszText[t] = args.Value(kTextOptions[t]);
    options.pszInstaller = args.Operands().empty() ? nullptr : args.Operands()[0];
    if (!options.pszInstaller)
        why = "manifest needs an installer";
    else if (!options.Get(SManifestOptions::Id))
        why = "manifest needs --id PUBLISHER.APP, the package's identifier";
    else if (!options.Get(SManifestOptions::Url))
        why = "manifest needs --url URL, where the package manager downloads the installer";
    else if (!options.pszWingetDir && !options.pszChocolateyDir)
        why = "manifest needs --winget DIR, --chocolatey DIR or both";
    return why.empty();
}
