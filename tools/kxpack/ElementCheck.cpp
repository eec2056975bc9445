#include "ElementCheck.h"
#include "ShortcutName.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

#include "ArchitectureCheck.h"
#include "Platform.h"
#include "RegistryKeyPath.h"
#include "ScriptMarkup.h"
#include "ScriptVariables.h"
#include "ScriptVocabulary.h"
#include "ScriptWords.h"
#include "Spelling.h"
#include "WinPath.h"
#include "XMLNode.h"

namespace {

struct SAttribute
{
    const char* pszName;
    const CSmallString* pValue; // whole: a NUL inside stays
    SPlace at;
};

// In the order written, so that messages follow the text.
std::vector<SAttribute> AttributesOf(const CXMLNode* element, unsigned index, const CScriptPlaces& places)
{
    std::vector<SAttribute> attributes;
    const CXMLNode::CAttributeMap& map = element->GetAttributes();
    for (unsigned b = 0; b < map.GetBucketCount(); b++)
        for (const auto* e = map.GetBucket(b); e; e = e->pNext)
            attributes.push_back(SAttribute{e->key.GetText(), &e->value, places.Attribute(index, e->key)});
    std::sort(attributes.begin(), attributes.end(), [](const SAttribute& a, const SAttribute& b) {
        if (a.at.uLine != b.at.uLine || a.at.uColumn != b.at.uColumn)
            return a.at.uLine != b.at.uLine ? a.at.uLine < b.at.uLine : a.at.uColumn < b.at.uColumn;
        return strcmp(a.pszName, b.pszName) < 0;
    });
    return attributes;
}

const CSmallString* FindValue(const CXMLNode* element, const char* name)
{
    const CXMLNode::CAttributeMap& map = element->GetAttributes();
    for (unsigned b = 0; b < map.GetBucketCount(); b++)
        for (const auto* e = map.GetBucket(b); e; e = e->pNext)
            if (Mb::ICmp(e->key, name) == 0)
                return &e->value;
    return nullptr;
}

std::string Joined(const char* const* names, unsigned count)
{
    std::string text;
    for (unsigned i = 0; i < count; i++)
        text += (i ? ", " : "") + std::string(names[i]);
    return text;
}

// Settings whose text is the content shown or kept, never a path.
bool HoldsContent(const char* setting)
{
    return !strcmp(setting, Setting::Terms) || !strcmp(setting, Setting::Logo) ||
           !strcmp(setting, Setting::Uninstaller);
}

bool Is(const SScriptCommand* command, const char* name) { return command && Mb::ICmp(command->pszName, name) == 0; }

const char* NearestWord(const char* name, bool commands)
{
    std::vector<const char*> words;
    for (unsigned i = 0; i < (commands ? g_uScriptCommandCount : g_uScriptSettingCount); i++)
        words.push_back(commands ? g_arrScriptCommands[i].pszName : g_arrScriptSettings[i]);
    return NearestName(name, words.data(), (unsigned)words.size());
}

} // namespace

std::string Printable(const CSmallString& text)
{
    std::string out;
    for (int i = 0; i < text.GetLength(); i++) {
        const unsigned char c = (unsigned char)text.GetText()[i];
        if (c < 0x20 || c == 0x7F) {
            char hex[8];
            snprintf(hex, sizeof(hex), "\\x%02X", c);
            out += hex;
        } else {
            out += (char)c;
        }
    }
    return out;
}

bool NamesAFile(const char* command)
{
    return Mb::ICmp(command, Command::File) == 0 || Mb::ICmp(command, Command::Shortcut) == 0 ||
           Mb::ICmp(command, Command::RemoveShortcut) == 0;
}

bool CElementCheck::Check(const CXMLNode* element, unsigned index)
{
    const SPlace at = m_places.Element(index);
    const std::string where = DescribeElement(element, index, at);
    const char* name = element->GetName();
    const SScriptCommand* command = FindScriptCommand(name);
    if (!command && !IsScriptSetting(name)) {
        CheckName(where, element, at);
        return true; // its attributes mean nothing to the installer
    }
    // The build-time variables read the install script's (BuildVariables.h);
    // their values are checked where they are used.
    if (!strcmp(name, Setting::Define)) {
        if (!m_bInScript)
            m_report.Error(at, "<define> stands in the install script alone: the uninstall log uses its variables");
        return true;
    }
    const bool stray = CheckAttributes(where, element, index);
    CheckItem(where, element, index, stray);
    CheckVariables(where, element, index);
    if (Is(command, Command::RegKey) || Is(command, Command::RemoveRegKey))
        CheckKey(where, element, index, Attr::RegKey::Section);
    if (Is(command, Command::Shortcut) || Is(command, Command::RemoveShortcut))
        CheckFolder(where, element, index, Attr::Shortcut::Folder);
    return !stray;
}

void CElementCheck::CheckName(const std::string& where, const CXMLNode* element, const SPlace& at)
{
    const char* name = element->GetName();
    if (const char* typo = NearestWord(name, true))
        m_report.Error(at, "%s is not a command: did you mean <%s>? (it would be skipped)", where.c_str(), typo);
    else if (const char* setting = NearestWord(name, false))
        m_report.Warning(at, "%s is not a known setting: did you mean <%s>?", where.c_str(), setting);
    else
        m_report.Warning(at, "%s is neither a command nor a known setting", where.c_str());
}

namespace {

bool IsPerLanguage(const char* setting)
{
    for (const char* name : {Setting::AppName, Setting::InstallerCaption, Setting::Terms, Setting::Translation,
                             Setting::Texts})
        if (!strcmp(setting, name))
            return true;
    return false;
}

} // namespace

bool CElementCheck::CheckAttributes(const std::string& where, const CXMLNode* element, unsigned index)
{
    const SScriptCommand* command = FindScriptCommand(element->GetName());
    const char* known[32];
    const unsigned count = ListAttributes(command, m_bInScript, known, sizeof(known) / sizeof(known[0]));
    bool stray = false;
    for (const SAttribute& attribute : AttributesOf(element, index, m_places)) {
        if (TakesAttribute(command, attribute.pszName, m_bInScript))
            continue;
        // src= on a command whose item is a text: the packer says what to write.
        if (m_bInScript && command && command->bTakesItem && Mb::ICmp(attribute.pszName, Attr::Src) == 0)
            continue;
        // lang= on the settings given per language.
        if (!command && Mb::ICmp(attribute.pszName, Attr::Lang) == 0 && IsPerLanguage(element->GetName()))
            continue;
        stray = true;
        const std::string what = where + ": unknown attribute " + attribute.pszName;
        if (TakesAttribute(command, attribute.pszName, true))
            m_report.Error(attribute.at, "%s: only the install script takes it (kxpack makes it an item there)",
                           what.c_str());
        else if (const char* nearest = NearestName(attribute.pszName, known, count))
            m_report.Error(attribute.at, "%s: did you mean %s?", what.c_str(), nearest);
        else if (count)
            m_report.Error(attribute.at, "%s: %s takes %s", what.c_str(), where.c_str(), Joined(known, count).c_str());
        else
            m_report.Error(attribute.at, "%s: %s takes no attributes", what.c_str(), where.c_str());
    }
    return stray;
}

void CElementCheck::CheckItem(const std::string& where, const CXMLNode* element, unsigned index, bool strayAttribute)
{
    const SScriptCommand* command = FindScriptCommand(element->GetName());
    const char* id = element->GetAttributeValue(Attr::Id);
    if (id) {
        if (m_bInScript)
            CheckId(where, id, m_places.Attribute(index, Attr::Id));
        return;
    }
    // src= and text= are reported where they are read; a misspelt
    // attribute already was, and is what the publisher has to fix.
    const bool written =
        m_bInScript && (element->GetAttributeValue(Attr::Src) || element->GetAttributeValue(Attr::Text));
    if (!command || !command->bTakesItem || written || strayAttribute)
        return;
    const std::string item = AttributeText(Attr::Id, "N");
    const std::string instead =
        !m_bInScript                ? "write " + item + " (an item of the package)"
        : Is(command, Command::File) ? "write " + AttributeText(Attr::Src, "FILE") +
                                           " (a file or folder beside the script) or " + item + " (an --item)"
                                     : "write " + AttributeText(Attr::Text, "...") + " or " + item + " (an --item)";
    m_report.Error(m_places.Element(index), "%s has no %s (the command would be skipped): %s", where.c_str(), Attr::Id,
                   instead.c_str());
}

void CElementCheck::CheckId(const std::string& where, const char* id, const SPlace& at)
{
    bool digits = *id != 0;
    for (const char* p = id; *p; p++)
        digits = digits && isdigit((unsigned char)*p);
    if (!digits) {
        m_report.Error(at, "%s: %s \"%s\" is not an item number", where.c_str(), Attr::Id, id);
        return;
    }
    const unsigned long n = strtoul(id, nullptr, 10);
    if (n >= m_items.size())
        m_report.Error(at, "%s: %s %lu is outside the item table (%u items)", where.c_str(), Attr::Id, n,
                       (unsigned)m_items.size());
}

void CElementCheck::CheckFileName(const std::string& where, const CXMLNode* element, const SPlace& at)
{
    const CSmallString* name = FindValue(element, Attr::File::Name);
    const bool link = Mb::ICmp(element->GetName(), Command::File) != 0;
    if (!name)
        m_report.Error(at, "%s has no %s", where.c_str(), Attr::File::Name);
    else if (const char* why =
                 link ? WhyNotShortcutName(element->GetAttributeValue(Attr::Shortcut::Folder), *name)
                      : WinPath::WhyNotPlainName(*name))
        m_report.Error(at, "%s: %s \"%s\" is not a %s: %s", where.c_str(), Attr::File::Name, Printable(*name).c_str(),
                       link ? "shortcut's name" : "plain file name", why);
}

void CElementCheck::CheckVariables(const std::string& where, const CXMLNode* element, unsigned index)
{
    for (const SAttribute& attribute : AttributesOf(element, index, m_places))
        for (const SVariableFault& fault : FindVariableFaults(attribute.pValue->GetText(), false))
            m_report.Error(attribute.at, "%s: %s in %s: %s", where.c_str(), fault.strReference.c_str(),
                           attribute.pszName, fault.strWhy.c_str());
    const char* name = element->GetName();
    if (!IsScriptSetting(name) || HoldsContent(name) || element->GetAttributeValue(Attr::Id))
        return;
    const bool defaultPath = !strcmp(name, Setting::DefaultPath);
    for (const SVariableFault& fault : FindVariableFaults(element->GetText(), defaultPath))
        m_report.Error(m_places.Element(index), "%s: %s: %s", where.c_str(), fault.strReference.c_str(),
                       fault.strWhy.c_str());
}

void CElementCheck::CheckWowNames(const CXMLNode* element, unsigned index)
{
    const char* name = element->GetName();
    const bool setting = IsScriptSetting(name);
    if ((!setting && !FindScriptCommand(name)) || !strcmp(name, Setting::Define))
        return;
    const std::string where = DescribeElement(element, index, m_places.Element(index));
    const auto report = [&](const SPlace& at, const std::string& what, const SWowName& wow) {
        m_report.Warning(at,
                         "%s hard-codes %s, part of the 32-bit view that 64-bit Windows gives 32-bit programs "
                         "(32-bit Windows has none): %s",
                         what.c_str(), wow.pszName, wow.pszInstead);
    };
    for (const SAttribute& attribute : AttributesOf(element, index, m_places))
        if (Mb::ICmp(attribute.pszName, Attr::Src) != 0)
            if (const SWowName* wow = FindWowName(attribute.pValue->GetText()))
                report(attribute.at, where + ": " + attribute.pszName, *wow);
    if (setting && !HoldsContent(name) && !element->GetAttributeValue(Attr::Id))
        if (const SWowName* wow = FindWowName(element->GetText()))
            report(m_places.Element(index), where, *wow);
}

void CElementCheck::CheckKey(const std::string& where, const CXMLNode* element, unsigned index, const char* attribute)
{
    using namespace RegistryKeyPath;
    const char* section = element->GetAttributeValue(attribute);
    const SPlace at = m_places.Attribute(index, attribute);
    SKey key;
    if (!section) {
        m_report.Error(at, "%s has no %s: write %s=\"HKEY_LOCAL_MACHINE\\...\" or \"HKEY_CURRENT_USER\\...\"",
                       where.c_str(), attribute, attribute);
    } else if (Parse(section, key)) {
        return;
    } else if (ParseOtherSpelling(section, key)) {
        m_report.Error(at, "%s: %s \"%s\" does not start with a full root name: write \"%s\"", where.c_str(),
                       attribute, section, Format(key).GetText());
    } else if (NamesUnwrittenRoot(section)) {
        m_report.Error(at, "%s: %s \"%s\": the installer writes only under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER",
                       where.c_str(), attribute, section);
    } else {
        const std::string text = section;
        const size_t cut = text.find('\\');
        const std::string root = text.substr(0, cut);
        const char* const roots[] = {RootName(LocalMachine), RootName(CurrentUser)};
        const char* nearest = NearestName(root.c_str(), roots, 2);
        if (nearest)
            m_report.Error(at, "%s: %s \"%s\" has no known root: did you mean %s%s?", where.c_str(), attribute, section,
                           nearest, cut == std::string::npos ? "" : text.substr(cut).c_str());
        else
            m_report.Error(at, "%s: %s \"%s\" has no known root: start it with HKEY_LOCAL_MACHINE\\ or "
                           "HKEY_CURRENT_USER\\",
                           where.c_str(), attribute, section);
    }
}

void CElementCheck::CheckFolder(const std::string& where, const CXMLNode* element, unsigned index,
                                const char* attribute)
{
    const char* folder = element->GetAttributeValue(attribute);
    const SPlace at = m_places.Attribute(index, attribute);
    if (folder && FindShortcutFolder(folder))
        return;
    const std::string all = Joined(g_arrShortcutFolders, g_uShortcutFolderCount);
    if (!folder)
        m_report.Error(at, "%s has no %s: write %s (or %s)", where.c_str(), attribute,
                       AttributeText(attribute, ShortcutFolder::Desktop).c_str(), all.c_str());
    else if (const char* nearest = NearestName(folder, g_arrShortcutFolders, g_uShortcutFolderCount))
        m_report.Error(at, "%s: %s \"%s\" is not a shortcut folder: did you mean %s?", where.c_str(), attribute, folder,
                       nearest);
    else
        m_report.Error(at, "%s: %s \"%s\" is not a shortcut folder: write one of %s", where.c_str(), attribute, folder,
                       all.c_str());
}
