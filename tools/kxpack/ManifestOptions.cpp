#include "ManifestOptions.h"

#include <cstring>

namespace {

const char* const kTextOptions[SManifestOptions::TextCount] = {
#define KX_TEXT_OPTION_NAME(id, name) name,
    KX_MANIFEST_TEXT_OPTIONS(KX_TEXT_OPTION_NAME)
#undef KX_TEXT_OPTION_NAME
};

// Takes the option at argv[i] and its value, moving i past it.
bool TakeValue(int argc, char** argv, int& i, const char* name, const char*& value, std::string& why)
{
    if (strcmp(argv[i], name) != 0)
        return false;
    if (value)
        why = std::string(name) + " given twice";
    else if (i + 1 >= argc)
        why = std::string(name) + " needs a value";
    else
        value = argv[++i];
    return true;
}

} // namespace

const char* GetOptionName(SManifestOptions::EText text)
{
    return kTextOptions[text];
}

bool ParseManifestOptions(int argc, char** argv, SManifestOptions& options, std::string& why)
{
    for (int i = 2; i < argc && why.empty(); i++) {
        if (!strcmp(argv[i], "--force")) {
            options.bForce = true;
            continue;
        }
        bool taken = TakeValue(argc, argv, i, "--winget", options.pszWingetDir, why) ||
                     TakeValue(argc, argv, i, "--chocolatey", options.pszChocolateyDir, why);
        for (int t = 0; t < SManifestOptions::TextCount && !taken; t++)
            taken = TakeValue(argc, argv, i, kTextOptions[t], options.apszText[t], why);
        if (taken)
            continue;
        if (argv[i][0] == '-' || options.pszInstaller)
            why = std::string("unexpected argument: ") + argv[i];
        else
            options.pszInstaller = argv[i];
    }
    if (!why.empty())
        return false;
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
