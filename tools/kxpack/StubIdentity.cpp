#include "StubIdentity.h"

#include <cstring>

#include "Caught.h"
#include "ManifestLevel.h"
#include "PeResources.h"
#include "ReleasePtr.h"
#include "ScriptVocabulary.h"
#include "ScriptWords.h"
#include "FileText.h"
#include "VersionInfo.h"
#include "XMLDocument.h"

namespace {

const char* const kTextOptions[SIdentityOptions::TextCount] = {"--product-name", "--product-version", "--company",
                                                                "--description", "--copyright"};

// The largest setting read from an item for a text.
const unsigned long long kLargestText = 64 * 1024;

std::string Trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const size_t first = text.find_first_not_of(blanks);
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// A setting of the install section as the installer reads it: the element's
// text, or its item's.
std::string ReadSetting(const CXMLNode* install, const char* name, const CPackItemList& items)
{
    const CXMLNode* element = install ? install->FindNode(name) : nullptr;
    if (!element)
        return std::string();
    unsigned id = 0;
    if (!element->GetAttributeValue(Attr::Id, id))
        return Trimmed(element->GetText().GetText());
    std::vector<unsigned char> bytes;
    CSmallString why;
    if (id >= items.size() || items[id].GetSize() > kLargestText || !items[id].ReadAll(bytes, why))
        return std::string();
    return Trimmed(std::string(bytes.begin(), bytes.end()));
}

SVersionTexts DefaultTexts(const CXMLNode* install, const CPackItemList& items)
{
    SVersionTexts texts;
    const std::string appName = ReadSetting(install, Setting::AppName, items);
    texts.strProductName = appName.empty() ? ReadSetting(install, Setting::UninstallDisplayName, items) : appName;
    texts.strProductVersion = ReadSetting(install, Setting::Version, items);
    texts.strCompany = ReadSetting(install, Setting::UninstallPublisher, items);
    texts.strDescription = texts.strProductName.empty() ? "Setup" : texts.strProductName + " Setup";
    return texts;
}

} // namespace

void AddIdentityOptions(std::vector<SOptionRule>& options)
{
    options.push_back(SOptionRule{"--icon", nullptr, OptionValue});
    options.push_back(SOptionRule{"--version-info", nullptr, OptionFlag});
    for (const char* text : kTextOptions)
        options.push_back(SOptionRule{text, nullptr, OptionValue});
}

SIdentityOptions ReadIdentityOptions(const CCommandArgs& args)
{
    SIdentityOptions options;
    options.pszIcon = args.Value("--icon");
    options.bVersionInfo = args.Has("--version-info");
    for (int t = 0; t < SIdentityOptions::TextCount; t++) {
        options.apszText[t] = args.Value(kTextOptions[t]);
        options.bVersionInfo |= options.apszText[t] != nullptr; // a text asks for the resource
    }
    return options;
}

bool ApplyIdentity(const SIdentityOptions& options, const CSmallString& script, const CPackItemList& items,
                   std::vector<unsigned char>& stub, std::vector<std::string>& notes, CSmallString& why)
{
    const CReleasePtr<CXMLDocument> doc(CXMLDocument::LoadFromMemory(script, (unsigned)script.GetLength()));
    const CXMLNode* install = doc ? doc->FindNode(Section::Install) : nullptr;
    SStubResources resources;
    if (options.pszIcon) {
        Container::CArray<unsigned char> bytes;
        if (!ReadFileIntoArray(options.pszIcon, bytes)) {
            why.Format("cannot read the icon %s", options.pszIcon);
            return false;
        }
        const std::vector<unsigned char> file(bytes.GetData(), bytes.GetData() + bytes.GetSize());
        if (const char* bad = ReadIconFile(file, resources.arrIcon)) {
            why.Format("%s: %s", options.pszIcon, bad);
            return false;
        }
    }
    if (options.bVersionInfo) {
        SVersionTexts texts = DefaultTexts(install, items);
        std::string* fields[SIdentityOptions::TextCount] = {&texts.strProductName, &texts.strProductVersion,
                                                           &texts.strCompany, &texts.strDescription,
                                                           &texts.strCopyright};
        for (int t = 0; t < SIdentityOptions::TextCount; t++)
            if (options.apszText[t])
                *fields[t] = options.apszText[t];
        uint16_t numbers[4];
        bool numbered = true;
        if (const char* bad = ParseVersionNumbers(texts.strProductVersion, numbers, numbered)) {
            why.Format("the product version \"%s\" can't be used: %s", texts.strProductVersion.c_str(), bad);
            return false;
        }
        if (const char* bad = MakeVersionInfo(texts, resources.arrVersionInfo)) {
            why = bad;
            return false;
        }
        if (!numbered && !texts.strProductVersion.empty())
            notes.push_back("the product version \"" + texts.strProductVersion +
                            "\" starts with no number: the file's version numbers read 0.0.0.0");
    }
    std::vector<unsigned char> edited = stub;
    if (options.IsAsked())
        if (const char* bad = SetStubResources(edited, resources, notes)) {
            why.Format("the stub can't take the resources: %s", bad);
            return false;
        }
    // An installation for the user who installs runs without administrator
    // rights, and so does its uninstaller, which is this stub; one that
    // lets the user choose asks for them only when every user is chosen.
    // One for every user needs them from the start: a stub made for a
    // user's installation asks for them again.
    EScope scope = ScopeUnset;
    ParseScope(ReadSetting(install, Setting::Scope, items).c_str(), scope);
    const bool invoker = scope == ScopeUser || scope == ScopeChoose;
    if (invoker || StubAsksAsInvoker(edited))
        if (const char* bad = SetStubLevel(edited, invoker ? kAsInvoker : kRequireAdministrator, notes)) {
            why.Format("the stub can't be made to ask for %s administrator rights, as scope %s needs: %s",
                       invoker ? "no" : "the", scope == ScopeUnset ? "machine" : GetScopeName(scope), bad);
            return false;
        }
    stub.swap(edited);
    return true;
}
