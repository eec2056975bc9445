#include "InstallerFacts.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include "ArchitectureCheck.h"
#include "PackageStream.h"
#include "Platform.h"
#include "ReleasePtr.h"
#include "ScriptWords.h"
#include "Sha256.h"
#include "XMLDocument.h"
#include "XMLNode.h"

namespace {

// A setting read from an item keeps at most this much: settings are short
// texts, and an item may be a whole application.
const uint32_t kLargestSetting = 1 << 20;

const char* const kItemSettings[] = {
    Setting::AppName, Setting::UninstallDisplayName, Setting::UninstallKey,      Setting::UninstallPublisher,
    Setting::Version, Setting::UninstallUrlAbout,    Setting::UninstallHelpLink, Setting::SupportUrl,
    Setting::Scope,   Setting::Architecture,         Setting::FinishAtRestart,   Setting::Uninstaller};

// Keeps the first bytes of an item; the rest only passes through, so that
// the stream still checks it.
class CKeep : public CByteSinkABC
{
public:
    explicit CKeep(std::string* kept) : m_pKept(kept) {}
    bool Take(const unsigned char* data, uint32_t length) override
    {
        if (m_pKept && m_pKept->size() < kLargestSetting)
            m_pKept->append(reinterpret_cast<const char*>(data),
                            std::min<size_t>(length, kLargestSetting - m_pKept->size()));
        return true;
    }

private:
    std::string* m_pKept;
};

// As the engine's yes/no settings read: yes, true, or a number not 0.
bool IsYes(const std::string& text) { return ReadsAsYes(text.c_str()); }

class CSettings
{
public:
    explicit CSettings(const CXMLNode* section) : m_pSection(section) {}

    // The item each setting names, to be read on the one pass over the package.
    void ListItems(std::map<uint32_t, std::string>& items) const
    {
        for (const char* name : kItemSettings) {
            unsigned id = 0;
            const CXMLNode* element = m_pSection ? m_pSection->FindNode(name) : nullptr;
            if (element && element->GetAttributeValue(Attr::Id, id))
                items[id];
        }
    }

    // As CSinReader::GetInstallItem: the text, or the item's bytes (an id
    // outside the table names nothing).
    std::string Get(const char* name, const std::map<uint32_t, std::string>& items) const
    {
        const CXMLNode* element = m_pSection ? m_pSection->FindNode(name) : nullptr;
        if (!element)
            return std::string();
        unsigned id = 0;
        if (!element->GetAttributeValue(Attr::Id, id))
            return element->GetText().GetText();
        const auto item = items.find(id);
        return item == items.end() ? std::string() : item->second;
    }

private:
    const CXMLNode* m_pSection;
};

// The uninstall log's own finish-at-restart, which a generated log copies
// from the install script and a hand-written one may say otherwise.
bool UninstallAtRestart(const std::string& log)
{
    const CReleasePtr<CXMLDocument> doc(CXMLDocument::LoadFromMemory(log.c_str(), (unsigned)log.size()));
    const CXMLNode* section = doc ? doc->FindNode(Section::Uninstall) : nullptr;
    const CXMLNode* setting = section ? section->FindNode(Setting::FinishAtRestart) : nullptr;
    return setting && IsYes(setting->GetText().GetText());
}

} // namespace

bool ReadInstallerFacts(const char* path, SInstallerFacts& facts, std::string& why)
{
    CPackageStream stream;
    if (!stream.Open(path)) {
        why = stream.IsUnreadable() ? std::string("cannot read ") + path
                                    : std::string(path) + ": not a valid installer: " + stream.GetFailure();
        return false;
    }
    const CSmallString& script = stream.GetScript();
    const CReleasePtr<CXMLDocument> doc(CXMLDocument::LoadFromMemory(script, (unsigned)script.GetLength()));
    const CSettings settings(doc ? doc->FindNode(Section::Install) : nullptr);
    std::map<uint32_t, std::string> items;
    settings.ListItems(items);
    // Every item passes through, so that a damaged package is never described.
    for (uint32_t i = 0; i < stream.GetItemCount(); i++) {
        const auto wanted = items.find(i);
        CKeep sink(wanted == items.end() ? nullptr : &wanted->second);
        if (!stream.CopyItem(i, sink))
            break;
    }
    if (stream.GetFailure() || !stream.VerifyRest()) {
        why = std::string(path) + ": not a valid installer: " + stream.GetFailure();
        return false;
    }

    facts.strAppName = settings.Get(Setting::AppName, items);
    facts.strDisplayName = settings.Get(Setting::UninstallDisplayName, items);
    facts.strKeyName = settings.Get(Setting::UninstallKey, items);
    if (facts.strKeyName.empty())
        facts.strKeyName = facts.strDisplayName;
    facts.strPublisher = settings.Get(Setting::UninstallPublisher, items);
    facts.strVersion = settings.Get(Setting::Version, items);
    facts.strUrlAbout = settings.Get(Setting::UninstallUrlAbout, items);
    facts.strHelpLink = settings.Get(Setting::UninstallHelpLink, items);
    facts.strSupportUrl = settings.Get(Setting::SupportUrl, items);
    facts.bInstallAtRestart = IsYes(settings.Get(Setting::FinishAtRestart, items));
    facts.bUninstallAtRestart = UninstallAtRestart(settings.Get(Setting::Uninstaller, items));

    const std::string scope = settings.Get(Setting::Scope, items);
    if (!ParseScope(scope.c_str(), facts.eScope)) {
        why = std::string(path) + ": its scope \"" + scope + "\" is none the installer knows (machine, user, choose)";
        return false;
    }
    // No value, or only blanks: a 32-bit application, as the installer takes it.
    const std::string architecture = settings.Get(Setting::Architecture, items);
    CSmallString word(architecture.c_str());
    word.TrimBoth();
    facts.pszArchitecture = word.IsEmpty() ? "x86" : ParseArchitecture(word);
    if (!facts.pszArchitecture) {
        why = std::string(path) + ": its architecture \"" + architecture +
              "\" is none the installer knows (x86, x64, arm64)";
        return false;
    }
    if (!HashFileSha256(path, facts.strSha256)) {
        why = std::string("cannot read ") + path;
        return false;
    }
    return true;
}
