#include "ChocolateyPackage.h"

#include "ExitCodeResponses.h"
#include "WingetManifest.h"

namespace {

// Windows PowerShell reads a script without a byte order mark in the ANSI
// code page: names in other scripts would reach the registry garbled.
const char kUtf8Bom[] = "\xEF\xBB\xBF";

// A single-quoted PowerShell text: nothing inside is expanded.
std::string Ps(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

std::string Xml(const std::string& text)
{
    std::string escaped;
    for (const char c : text)
        escaped += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '"' ? "&quot;" : std::string(1, c);
    return escaped;
}

// The codes that mean success: 0, and 3010 where the run may finish at the
// next restart.
std::string ValidExitCodes(bool atRestart)
{
    std::string codes = "@(0";
    for (unsigned i = 0; i < g_uExitCodeResponseCount; i++)
        if (g_arrExitCodeResponses[i].bSuccess && (!g_arrExitCodeResponses[i].bAtRestartOnly || atRestart))
            codes += ", " + std::to_string(g_arrExitCodeResponses[i].nCode);
    return codes + ")";
}

std::string Element(const char* name, const std::string& value)
{
    return value.empty() ? std::string() : std::string("    <") + name + ">" + Xml(value) + "</" + name + ">\n";
}

std::string Nuspec(const SPackageTexts& texts)
{
    std::string tags;
    for (const std::string& tag : texts.arrTags)
        tags += (tags.empty() ? "" : " ") + tag;
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<!-- Created with kxpack manifest. Pack it with: choco pack -->\n"
           "<package xmlns=\"http://schemas.microsoft.com/packaging/2015/06/nuspec.xsd\">\n"
           "  <metadata>\n" +
           Element("id", texts.strChocolateyId) + Element("version", texts.strVersion) +
           Element("title", texts.strName) + Element("authors", texts.strPublisher) +
           Element("projectUrl", texts.strPackageUrl) + Element("licenseUrl", texts.strLicenseUrl) +
           "    <requireLicenseAcceptance>false</requireLicenseAcceptance>\n" +
           Element("copyright", texts.strCopyright) + Element("tags", tags) +
           Element("summary", texts.strShortDescription) +
           Element("description", texts.strDescription.empty() ? texts.strShortDescription : texts.strDescription) +
           "  </metadata>\n"
           "  <files>\n"
           "    <file src=\"tools\\**\" target=\"tools\" />\n"
           "  </files>\n"
           "</package>\n";
}

std::string InstallScript(const SInstallerFacts& facts, const SPackageTexts& texts)
{
    // Chocolatey has no download of its own for ARM64: a 64-bit installer
    // goes as url64bit, and on a machine that can't run it the installer
    // ends with 3 before it changes anything.
    const bool is64 = std::string(facts.pszArchitecture) != "x86";
    std::string silent = Switch::Silent;
    // Chocolatey installs for the computer: every user, where the installer lets it choose.
    if (facts.eScope == ScopeChoose)
        silent += std::string(" ") + Switch::AllUsers;
    return std::string(kUtf8Bom) +
           "# Created with kxpack manifest: downloads the installer, checks it and runs it unattended.\n"
           "$ErrorActionPreference = 'Stop'\n"
           "\n"
           "$packageArgs = @{\n"
           "  packageName    = $env:ChocolateyPackageName\n"
           "  fileType       = 'exe'\n" +
           (is64 ? "  url64bit       = " : "  url            = ") + Ps(texts.strUrl) + "\n" +
           (is64 ? "  checksum64     = " : "  checksum       = ") + Ps(facts.strSha256) + "\n" +
           (is64 ? "  checksumType64 = 'sha256'\n" : "  checksumType   = 'sha256'\n") +
           "  # No window, no question: the terms count as accepted.\n"
           "  silentArgs     = " +
           Ps(silent) + "\n" + "  validExitCodes = " + ValidExitCodes(facts.bInstallAtRestart) + "\n" +
           "  softwareName   = " + Ps(facts.strDisplayName) + "\n" +
           "}\n"
           "Install-ChocolateyPackage @packageArgs\n";
}

std::string UninstallScript(const SInstallerFacts& facts)
{
    return std::string(kUtf8Bom) +
           "# Created with kxpack manifest: runs the uninstaller that the installation's Add/Remove entry names.\n"
           "$ErrorActionPreference = 'Stop'\n"
           "\n"
           "# The entry as the installer writes it: its key's name and its DisplayName.\n"
           "$keyName = " +
           Ps(facts.strKeyName) + "\n" + "$displayName = " + Ps(facts.strDisplayName) + "\n" +
           "[array]$entries = Get-UninstallRegistryKey -SoftwareName ([WildcardPattern]::Escape($displayName)) |\n"
           "  Where-Object { $_.PSChildName -eq $keyName }\n"
           "if ($entries.Count -eq 0) {\n"
           "  Write-Warning \"$displayName has no Add/Remove entry: it is not installed.\"\n"
           "  return\n"
           "}\n"
           "foreach ($entry in $entries) {\n"
           "  # UninstallString is uninstall.exe's path in quotes; /S removes without a question\n"
           "  # and returns once the application is gone.\n"
           "  $packageArgs = @{\n"
           "    packageName    = $env:ChocolateyPackageName\n"
           "    fileType       = 'exe'\n"
           "    file           = $entry.UninstallString.Trim('\"')\n"
           "    silentArgs     = " +
           Ps(Switch::Silent) + "\n" + "    validExitCodes = " + ValidExitCodes(facts.bUninstallAtRestart) + "\n" +
           "  }\n"
           "  Uninstall-ChocolateyPackage @packageArgs\n"
           "}\n";
}

} // namespace

void ComposeChocolatey(const SInstallerFacts& facts, const SPackageTexts& texts, const char* dir,
                       std::vector<SManifestFile>& files)
{
    files.push_back({dir, texts.strChocolateyId + ".nuspec", Nuspec(texts)});
    files.push_back({dir, "tools/chocolateyInstall.ps1", InstallScript(facts, texts)});
    files.push_back({dir, "tools/chocolateyUninstall.ps1", UninstallScript(facts)});
}
