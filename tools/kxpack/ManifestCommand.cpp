#include "ManifestCommand.h"

#include <string>
#include <vector>

#include "ChocolateyPackage.h"
#include "InstallerFacts.h"
#include "ManifestFiles.h"
#include "PackageTexts.h"
#include "WingetManifest.h"

namespace {

int Refuse(FILE* err, const std::string& why)
{
    fprintf(err, "kxpack: %s\n", why.c_str());
    return 2;
}

} // namespace

int RunManifest(const SManifestOptions& options, FILE* out, FILE* err)
{
    SInstallerFacts facts;
    SPackageTexts texts;
    std::string why;
    if (!ReadInstallerFacts(options.pszInstaller, facts, why) || !ResolvePackageTexts(facts, options, texts, why))
        return Refuse(err, why);
    std::vector<SManifestFile> files;
    if (options.pszWingetDir)
        ComposeWinget(facts, texts, options.pszWingetDir, files);
    if (options.pszChocolateyDir)
        ComposeChocolatey(facts, texts, options.pszChocolateyDir, files);
    why = WhyNotWriteManifests(files, options.pszInstaller, options.bForce);
    if (!why.empty() || !WriteManifests(files, why))
        return Refuse(err, why);
    fprintf(out, "%s: %s %s, SHA-256 %s\n", options.pszInstaller, texts.strId.c_str(), texts.strVersion.c_str(),
            facts.strSha256.c_str());
    for (const SManifestFile& file : files)
        fprintf(out, "wrote %s\n", file.GetPath().c_str());
    return 0;
}
