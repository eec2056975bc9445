#include "WingetManifest.h"

#include <cstdio>

#include "ExitCodeResponses.h"

namespace {

const char kManifestVersion[] = "1.10.0";

// Every text double-quoted: a version such as 1.0 must stay a text, not
// become a number, and any character is written safely escaped.
std::string Yaml(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        const unsigned char byte = (unsigned char)c;
        if (c == '"' || c == '\\')
            quoted += std::string("\\") + c;
        else if (c == '\n')
            quoted += "\\n";
        else if (c == '\t')
            quoted += "\\t";
        else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            snprintf(escaped, sizeof(escaped), "\\x%02X", byte);
            quoted += escaped;
        } else
            quoted += c;
    }
    return quoted + "\"";
}

class CYaml
{
public:
    // type names the schema too: version, installer, defaultLocale.
    explicit CYaml(const char* type)
        : m_text(std::string("# Created with kxpack manifest\n"
                             "# yaml-language-server: $schema=https://aka.ms/winget-manifest.") +
                 type + "." + kManifestVersion + ".schema.json\n\n"),
          m_strType(type)
    {
    }
    // An empty text is left out: winget wants optional fields absent, not empty.
    CYaml& Text(const char* indent, const char* name, const std::string& value)
    {
        if (!value.empty())
            m_text += std::string(indent) + name + ": " + Yaml(value) + "\n";
        return *this;
    }
    // One of winget's own words, a number or the hash: as it stands.
    CYaml& Word(const char* indent, const char* name, const std::string& value)
    {
        m_text += std::string(indent) + name + ": " + value + "\n";
        return *this;
    }
    CYaml& Line(const std::string& line)
    {
        m_text += line + "\n";
        return *this;
    }
    std::string End()
    {
        return m_text + "ManifestType: " + m_strType + "\nManifestVersion: " + kManifestVersion + "\n";
    }

private:
    std::string m_text;
    std::string m_strType;
};

std::string VersionFile(const SPackageTexts& texts)
{
    return CYaml("version")
        .Text("", "PackageIdentifier", texts.strId)
        .Text("", "PackageVersion", texts.strVersion)
        .Text("", "DefaultLocale", texts.strLocale)
        .End();
}

std::string LocaleFile(const SPackageTexts& texts)
{
    CYaml yaml("defaultLocale");
    yaml.Text("", "PackageIdentifier", texts.strId)
        .Text("", "PackageVersion", texts.strVersion)
        .Text("", "PackageLocale", texts.strLocale)
        .Text("", "Publisher", texts.strPublisher)
        .Text("", "PublisherUrl", texts.strPublisherUrl)
        .Text("", "PublisherSupportUrl", texts.strSupportUrl)
        .Text("", "PackageName", texts.strName)
        .Text("", "PackageUrl", texts.strPackageUrl)
        .Text("", "License", texts.strLicense)
        .Text("", "LicenseUrl", texts.strLicenseUrl)
        .Text("", "Copyright", texts.strCopyright)
        .Text("", "ShortDescription", texts.strShortDescription)
        .Text("", "Description", texts.strDescription)
        .Text("", "Moniker", texts.strMoniker);
    if (!texts.arrTags.empty()) {
        yaml.Line("Tags:");
        for (const std::string& tag : texts.arrTags)
            yaml.Line("- " + Yaml(tag));
    }
    return yaml.End();
}

// One installer entry a scope: with scope choose, one for every user and
// one for the user alone, told apart by the installer's own switch.
struct SEntry
{
    const char* pszScope;
    const char* pszCustom;
    // The installer asks Windows for the rights itself (its manifest, or
    // its restart when every user is chosen).
    bool bElevatesSelf;
};

void AddEntries(CYaml& yaml, const SInstallerFacts& facts, const SPackageTexts& texts)
{
    static const SEntry s_machine[] = {{"machine", nullptr, true}};
    static const SEntry s_user[] = {{"user", nullptr, false}};
    static const SEntry s_choose[] = {{"machine", Switch::AllUsers, true}, {"user", Switch::CurrentUser, false}};
    const SEntry* entries = facts.eScope == ScopeChoose ? s_choose : facts.eScope == ScopeUser ? s_user : s_machine;
    const unsigned count = facts.eScope == ScopeChoose ? 2 : 1;
    yaml.Line("Installers:");
    for (const SEntry* entry = entries; entry < entries + count; entry++) {
        yaml.Word("- ", "Architecture", facts.pszArchitecture)
            .Word("  ", "Scope", entry->pszScope)
            .Text("  ", "InstallerUrl", texts.strUrl)
            .Word("  ", "InstallerSha256", facts.strSha256);
        if (entry->bElevatesSelf)
            yaml.Word("  ", "ElevationRequirement", "elevatesSelf");
        yaml.Line("  InstallerSwitches:")
            .Text("    ", "Silent", Switch::Silent)
            .Text("    ", "SilentWithProgress", Switch::Silent)
            .Text("    ", "InstallLocation", Switch::InstallLocation)
            .Text("    ", "Log", Switch::Log)
            .Text("    ", "Custom", entry->pszCustom ? entry->pszCustom : "");
    }
}

std::string InstallerFile(const SInstallerFacts& facts, const SPackageTexts& texts)
{
    CYaml yaml("installer");
    yaml.Text("", "PackageIdentifier", texts.strId)
        .Text("", "PackageVersion", texts.strVersion)
        .Word("", "InstallerType", "exe")
        // Installing over an earlier version upgrades it in its folder.
        .Word("", "UpgradeBehavior", "install")
        .Line("ExpectedReturnCodes:");
    for (unsigned i = 0; i < g_uExitCodeResponseCount; i++) {
        const SExitCodeResponse& code = g_arrExitCodeResponses[i];
        if (code.bAtRestartOnly && !facts.bInstallAtRestart)
            continue;
        yaml.Line("# " + std::to_string(code.nCode) + ": " + code.pszWhy)
            .Word("- ", "InstallerReturnCode", std::to_string(code.nCode))
            .Word("  ", "ReturnResponse", code.pszResponse);
    }
    // The Add/Remove entry as the installer writes it, by which winget
    // knows the installation.
    yaml.Text("", "ProductCode", facts.strKeyName)
        .Line("AppsAndFeaturesEntries:")
        .Text("- ", "DisplayName", facts.strDisplayName)
        .Text("  ", "Publisher", facts.strPublisher)
        .Text("  ", "DisplayVersion", facts.strVersion)
        .Text("  ", "ProductCode", facts.strKeyName);
    AddEntries(yaml, facts, texts);
    return yaml.End();
}

} // namespace

void ComposeWinget(const SInstallerFacts& facts, const SPackageTexts& texts, const char* dir,
                   std::vector<SManifestFile>& files)
{
    files.push_back({dir, texts.strId + ".yaml", VersionFile(texts)});
    files.push_back({dir, texts.strId + ".installer.yaml", InstallerFile(facts, texts)});
    files.push_back({dir, texts.strId + ".locale." + texts.strLocale + ".yaml", LocaleFile(texts)});
}
