#include "PackageTexts.h"

#include <cctype>
#include <cstring>

#include "Platform.h"
#include "ScriptWords.h"
#include "Utf8.h"

namespace {

typedef SManifestOptions Opt;

// Characters a winget identifier or version may not hold (control
// characters neither).
const char kNotInWinget[] = "\\/:*?\"<>|";

size_t CountChars(const std::string& text)
{
    size_t count = 0;
    for (const char* p = text.c_str(); p < text.c_str() + text.size(); count++)
        Utf8::Next(p, text.c_str() + text.size());
    return count;
}

bool HasControl(const std::string& text)
{
    for (const char c : text)
        if ((unsigned char)c < 0x20)
            return true;
    return false;
}

std::string Trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool IsWebAddress(const std::string& text)
{
    const size_t scheme = Mb::NbICmp(text.c_str(), "https://", 8) == 0  ? 8
                          : Mb::NbICmp(text.c_str(), "http://", 7) == 0 ? 7
                                                                        : 0;
    return scheme && text.size() > scheme && text.size() <= 2048 && !HasControl(text) &&
           text.find(' ') == std::string::npos;
}

bool IsLetters(const std::string& text, size_t least, size_t most)
{
    if (text.size() < least || text.size() > most)
        return false;
    for (const char c : text)
        if (!isalpha((unsigned char)c))
            return false;
    return true;
}

// A BCP 47 tag as winget's schema has it: en-US, de, x-private.
bool IsLocale(const std::string& text)
{
    std::vector<std::string> parts;
    for (size_t at = 0;;) {
        const size_t dash = text.find('-', at);
        parts.push_back(text.substr(at, dash == std::string::npos ? std::string::npos : dash - at));
        if (dash == std::string::npos)
            break;
        at = dash + 1;
    }
    size_t rest = 1;
    if (parts[0] == "i" || parts[0] == "I" || parts[0] == "x" || parts[0] == "X") {
        const size_t most = tolower((unsigned char)parts[0][0]) == 'i' ? 64 : 8;
        if (parts.size() < 2 || !IsLetters(parts[1], 1, most))
            return false;
        rest = 2;
    } else if (!IsLetters(parts[0], 2, 3)) {
        return false;
    }
    for (size_t i = rest; i < parts.size(); i++)
        if (!IsLetters(parts[i], 1, 8))
            return false;
    return text.size() <= 20;
}

// Lower-case letters and digits, a dot or hyphen between two of them.
bool IsChocolateyId(const std::string& id)
{
    if (id.empty() || id.size() > 100)
        return false;
    for (size_t i = 0; i < id.size(); i++) {
        const char c = id[i];
        const bool separator = c == '.' || c == '-';
        if (separator ? i == 0 || i + 1 == id.size() || !isalnum((unsigned char)id[i - 1])
                      : !(isdigit((unsigned char)c) || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// Where a text came from, for messages.
std::string Origin(const Opt& options, Opt::EText option, const char* setting)
{
    return options.Get(option) || !setting ? GetOptionName(option) : std::string("the script's ") + setting;
}

class CResolver
{
public:
    CResolver(const SInstallerFacts& facts, const Opt& options, std::string& why)
        : m_facts(facts), m_options(options), m_why(why), m_bWinget(options.pszWingetDir != nullptr),
          m_bChocolatey(options.pszChocolateyDir != nullptr)
    {
    }

    bool Resolve(SPackageTexts& texts)
    {
        if (!CheckOptionsAreUtf8() || !TakeId(texts) || !TakeUrl(texts) || !TakeLocale(texts) || !TakeVersion(texts) ||
            !TakeTags(texts))
            return false;
        if (Trimmed(m_facts.strDisplayName).empty())
            return Fail("the installer registers no Add/Remove entry (its script has no uninstall-display-name): "
                        "winget and Chocolatey know an installation by that entry");
        const std::string name = Trimmed(m_facts.strAppName).empty() ? m_facts.strDisplayName : m_facts.strAppName;
        texts.strName = Pick(Opt::PackageName, name);
        texts.strPublisher = Pick(Opt::Publisher, m_facts.strPublisher);
        texts.strPackageUrl = Pick(Opt::PackageUrl, WebOnly(m_facts.strUrlAbout));
        texts.strSupportUrl =
            Pick(Opt::SupportUrl,
                 WebOnly(m_facts.strHelpLink).empty() ? WebOnly(m_facts.strSupportUrl) : WebOnly(m_facts.strHelpLink));
        texts.strPublisherUrl = Pick(Opt::PublisherUrl, "");
        texts.strLicense = Pick(Opt::License, "");
        texts.strLicenseUrl = Pick(Opt::LicenseUrl, "");
        texts.strCopyright = Pick(Opt::Copyright, "");
        texts.strShortDescription = Pick(Opt::ShortDescription, "");
        texts.strDescription = Pick(Opt::Description, "");
        texts.strMoniker = Pick(Opt::Moniker, "");
        return CheckEntry() && CheckTexts(texts) && CheckUrls(texts);
    }

private:
    bool Fail(const std::string& why)
    {
        m_why = why;
        return false;
    }

    std::string Pick(Opt::EText option, const std::string& fromScript) const
    {
        return Trimmed(m_options.Get(option) ? m_options.Get(option) : fromScript);
    }

    // A script's address that isn't a web address (support-url may be any
    // text) is left out rather than refused: it is not what the manifest asks.
    static std::string WebOnly(const std::string& text)
    {
        return IsWebAddress(Trimmed(text)) ? Trimmed(text) : std::string();
    }

    bool CheckOptionsAreUtf8()
    {
        for (int t = 0; t < Opt::TextCount; t++) {
            const char* text = m_options.Get((Opt::EText)t);
            if (text && !Utf8::IsValid(text, strlen(text)))
                return Fail(std::string(GetOptionName((Opt::EText)t)) + " is not UTF-8 text");
        }
        return true;
    }

    bool TakeId(SPackageTexts& texts)
    {
        texts.strId = m_options.Get(Opt::Id);
        if (!IsWingetId(texts.strId))
            return Fail("--id " + Quoted(texts.strId) +
                        " is not of the form PUBLISHER.APP: 2 to 8 names joined by dots, each of 1 to 32 "
                        "characters, no blanks and none of \\ / : * ? \" < > |");
        for (const char c : texts.strId)
            texts.strChocolateyId += (char)tolower((unsigned char)c);
        if (m_bChocolatey && !IsChocolateyId(texts.strChocolateyId))
            return Fail("--id " + Quoted(texts.strId) + " makes the Chocolatey id " + Quoted(texts.strChocolateyId) +
                        ", which Chocolatey refuses: letters, digits, and a dot or hyphen only between two of them");
        return true;
    }

    bool TakeUrl(SPackageTexts& texts)
    {
        texts.strUrl = m_options.Get(Opt::Url);
        if (!IsWebAddress(texts.strUrl))
            return Fail("--url " + Quoted(texts.strUrl) +
                        " is not a web address: write https://... (no blanks; %20 for one)");
        return true;
    }

    bool TakeLocale(SPackageTexts& texts)
    {
        texts.strLocale = m_options.Get(Opt::Locale) ? m_options.Get(Opt::Locale) : "en-US";
        if (!IsLocale(texts.strLocale))
            return Fail("--locale " + Quoted(texts.strLocale) + " is not a language tag such as en-US or de-DE");
        return true;
    }

    bool TakeVersion(SPackageTexts& texts)
    {
        const std::string script = Trimmed(m_facts.strVersion);
        const char* option = m_options.Get(Opt::Version);
        // The installer writes its version as DisplayVersion: the manifest must say the same.
        if (option && !script.empty() && script != Trimmed(option))
            return Fail("--version " + Quoted(option) + " is not the installer's version " + Quoted(script) +
                        ", which it writes into its Add/Remove entry: leave --version out");
        texts.strVersion = script.empty() && option ? Trimmed(option) : script;
        const std::string origin = script.empty() ? "--version" : "the script's version";
        if (texts.strVersion.empty())
            return Fail("the manifests need a version: the installer's script has no <version>; pass --version TEXT");
        if (m_bWinget && (texts.strVersion.size() > 128 || HasControl(texts.strVersion) ||
                          texts.strVersion.find_first_of(kNotInWinget) != std::string::npos))
            return Fail(origin + " " + Quoted(texts.strVersion) +
                        " can't be a winget version: at most 128 characters, none of \\ / : * ? \" < > |");
        if (m_bChocolatey && !IsChocolateyVersion(texts.strVersion))
            return Fail(origin + " " + Quoted(texts.strVersion) +
                        " can't be a Chocolatey version: 1 to 4 numbers joined by dots, then at most a "
                        "-suffix of letters, digits and hyphens that starts with a letter (1.2.0-beta2)");
        return true;
    }

    bool TakeTags(SPackageTexts& texts)
    {
        const char* list = m_options.Get(Opt::Tags);
        for (size_t at = 0; list;) {
            const char* comma = strchr(list + at, ',');
            const std::string tag = Trimmed(std::string(list + at, comma ? comma - list - at : strlen(list + at)));
            if (tag.empty() || CountChars(tag) > 40 || tag.find_first_of(" \t") != std::string::npos)
                return Fail("--tags: " + Quoted(tag) +
                            " is no tag: tags are single words of 1 to 40 characters, separated by commas");
            for (const std::string& earlier : texts.arrTags)
                if (earlier == tag)
                    return Fail("--tags: " + Quoted(tag) + " is given twice");
            texts.arrTags.push_back(tag);
            if (!comma)
                break;
            at = comma - list + 1;
        }
        if (texts.arrTags.size() > 16)
            return Fail("--tags: winget takes at most 16 tags");
        return true;
    }

    bool CheckTexts(const SPackageTexts& texts)
    {
        const struct
        {
            const std::string& value;
            const char* field; // winget's name
            Opt::EText option;
            const char* setting; // the script's, or null
            size_t least, most;
            bool winget, chocolatey; // needed by
        } fields[] = {
            {texts.strName, "PackageName", Opt::PackageName, Setting::AppName, 2, 256, true, false},
            {texts.strPublisher, "Publisher", Opt::Publisher, Setting::UninstallPublisher, 2, 256, true, true},
            {texts.strLicense, "License", Opt::License, nullptr, 3, 512, true, false},
            {texts.strShortDescription, "ShortDescription", Opt::ShortDescription, nullptr, 3, 256, true, false},
            {texts.strDescription, "Description", Opt::Description, nullptr, 3, 10000, false, false},
            {texts.strCopyright, "Copyright", Opt::Copyright, nullptr, 3, 512, false, false},
            {texts.strMoniker, "Moniker", Opt::Moniker, nullptr, 1, 40, false, false},
        };
        for (const auto& f : fields) {
            const std::string option = std::string(GetOptionName(f.option)) + " TEXT";
            if (f.value.empty() && ((f.winget && m_bWinget) || (f.chocolatey && m_bChocolatey)))
                return Fail(std::string(f.winget && m_bWinget ? "the winget manifest" : "the Chocolatey package") +
                            " needs a " + f.field + ": " +
                            (f.setting ? std::string("the installer's script has no ") + f.setting + "; " : "") +
                            "pass " + option);
            if (!Utf8::IsValid(f.value.data(), f.value.size()))
                return Fail(Origin(m_options, f.option, f.setting) + " is not UTF-8 text");
            const size_t length = CountChars(f.value);
            if (!f.value.empty() && (length < f.least || length > f.most))
                return Fail(Origin(m_options, f.option, f.setting) + " " + Quoted(f.value) + ": winget takes a " +
                            f.field + " of " + std::to_string(f.least) + " to " + std::to_string(f.most) +
                            " characters");
        }
        if (m_bChocolatey && texts.strDescription.empty() && texts.strShortDescription.empty())
            return Fail("the Chocolatey package needs a description: pass --short-description TEXT or "
                        "--description TEXT");
        return true;
    }

    bool CheckUrls(const SPackageTexts& texts)
    {
        const struct
        {
            const std::string& value;
            Opt::EText option;
        } urls[] = {{texts.strPublisherUrl, Opt::PublisherUrl},
                    {texts.strPackageUrl, Opt::PackageUrl},
                    {texts.strSupportUrl, Opt::SupportUrl},
                    {texts.strLicenseUrl, Opt::LicenseUrl}};
        for (const auto& url : urls)
            if (!url.value.empty() && !IsWebAddress(url.value))
                return Fail(std::string(GetOptionName(url.option)) + " " + Quoted(url.value) +
                            " is not a web address: write https://...");
        return true;
    }

    // The Add/Remove entry's values go into the manifest as the installer
    // writes them, within winget's limits.
    bool CheckEntry()
    {
        const struct
        {
            const std::string& value;
            const char* setting;
            size_t most;
        } values[] = {{m_facts.strDisplayName, Setting::UninstallDisplayName, 256},
                      {m_facts.strPublisher, Setting::UninstallPublisher, 256},
                      {m_facts.strVersion, Setting::Version, 128},
                      {m_facts.strKeyName, Setting::UninstallKey, 255}};
        for (const auto& v : values) {
            // A setting read from an item may be in any encoding; manifests are UTF-8.
            if (!Utf8::IsValid(v.value.data(), v.value.size()))
                return Fail(std::string("the script's ") + v.setting + " is not UTF-8 text");
            if (m_bWinget && CountChars(v.value) > v.most)
                return Fail(std::string("the script's ") + v.setting + " is longer than winget takes (" +
                            std::to_string(v.most) + " characters)");
        }
        return true;
    }

    const SInstallerFacts& m_facts;
    const Opt& m_options;
    std::string& m_why;
    const bool m_bWinget;
    const bool m_bChocolatey;
};

} // namespace

bool ResolvePackageTexts(const SInstallerFacts& facts, const SManifestOptions& options, SPackageTexts& texts,
                         std::string& why)
{
    return CResolver(facts, options, why).Resolve(texts);
}

bool IsWingetId(const std::string& text)
{
    if (text.empty() || text.size() > 128 || HasControl(text))
        return false;
    unsigned names = 0;
    for (size_t at = 0;; names++) {
        const size_t dot = text.find('.', at);
        const std::string name = text.substr(at, dot == std::string::npos ? std::string::npos : dot - at);
        if (name.empty() || CountChars(name) > 32 || name.find_first_of(kNotInWinget) != std::string::npos ||
            name.find_first_of(" \t\r\n\v\f") != std::string::npos)
            return false;
        if (dot == std::string::npos)
            break;
        at = dot + 1;
    }
    return names >= 1 && names <= 7; // dots between 2 to 8 names
}

bool IsChocolateyVersion(const std::string& version)
{
    const size_t dash = version.find('-');
    const std::string numbers = version.substr(0, dash);
    unsigned count = 0;
    for (size_t at = 0;; count++) {
        const size_t dot = numbers.find('.', at);
        const std::string number = numbers.substr(at, dot == std::string::npos ? std::string::npos : dot - at);
        if (number.empty() || number.size() > 9 || number.find_first_not_of("0123456789") != std::string::npos)
            return false;
        if (dot == std::string::npos)
            break;
        at = dot + 1;
    }
    if (count > 3)
        return false;
    if (dash == std::string::npos)
        return true;
    const std::string suffix = version.substr(dash + 1);
    if (suffix.empty() || !isalpha((unsigned char)suffix[0]))
        return false;
    for (const char c : suffix)
        if (!isalnum((unsigned char)c) && c != '-')
            return false;
    return true;
}
