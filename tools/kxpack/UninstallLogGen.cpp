#include "UninstallLogGen.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <utility>

#include "Platform.h"
#include "RegistryKeyPath.h"
#include "ScriptMarkup.h"
#include "ScriptVocabulary.h"
#include "ScriptWords.h"
#include "ShortcutName.h"
#include "WinPath.h"
#include "XMLNode.h"

namespace {

// File types are written through HKEY_CLASSES_ROOT; a new key there lands
// in the machine's classes, which is where the log can name it.
// Machine-wide, and for a per-user installation (<scope>user</scope>) the
// user's own.
const char* const kClasses[] = {"HKEY_LOCAL_MACHINE\\Software\\Classes\\", "HKEY_CURRENT_USER\\Software\\Classes\\"};
const char* const kUninstallEntries[] = {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\",
                                         "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"};

// %APP% as a script writes it.
std::string AppFolder() { return Variable::AppReference; }

std::string Upper(std::string text)
{
    for (char& c : text)
        c = (char)toupper((unsigned char)c);
    return text;
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool Is(const CXMLNode* element, const char* name)
{
    return Mb::ICmp(element->GetName(), name) == 0;
}

std::string Attribute(const CXMLNode* element, const char* name)
{
    const char* value = element->GetAttributeValue(name);
    return value ? value : "";
}

// Whether a path, key or value name is met for the first time, whatever
// its case: Windows compares them without regard to it.
class COnce
{
public:
    bool Add(const std::string& item) { return m_seen.insert(Upper(item)).second; }

private:
    std::set<std::string> m_seen;
};

// Where a <file> goes, as the script spells it: a start kept as written
// (%APP%, another %VARIABLE%, a drive, \\server\share) and the folder
// names below it.
struct SPlace
{
    std::string strStart;
    std::vector<std::string> arrNames;
    bool bApp = false;   // below the installation's folder
    bool bAbove = false; // ".." leads above the start: which folders it makes is unknown here
};

bool ParsePlace(const std::string& dest, SPlace& place)
{
    const std::string app = AppFolder();
    size_t at = 0;
    if (dest.size() >= app.size() && Mb::NbICmp(dest.c_str(), app.c_str(), app.size()) == 0) {
        place.strStart = app;
        place.bApp = true;
        at = app.size();
    } else if (dest.size() > 2 && dest[0] == '%' && dest.find('%', 1) != std::string::npos) {
        at = dest.find('%', 1) + 1;
        place.strStart = dest.substr(0, at);
    } else if (dest.size() > 2 && isalpha((unsigned char)dest[0]) && dest[1] == ':' && IsSeparator(dest[2])) {
        place.strStart = dest.substr(0, 2);
        at = 2;
    } else if (dest.size() > 2 && IsSeparator(dest[0]) && IsSeparator(dest[1])) {
        // The server and the share are the start: nothing above them is a folder.
        const size_t server = dest.find_first_of("\\/", 2);
        const size_t share = server == std::string::npos ? server : dest.find_first_of("\\/", server + 1);
        if (server == std::string::npos || server == 2 || share == server + 1)
            return false;
        at = share == std::string::npos ? dest.size() : share;
        place.strStart = "\\\\" + dest.substr(2, server - 2) + "\\" + dest.substr(server + 1, at - server - 1);
    } else {
        return false; // relative: the installation refuses it
    }
    while (at < dest.size()) {
        const size_t end = std::min(dest.find_first_of("\\/", at), dest.size());
        const std::string name = dest.substr(at, end - at);
        at = end + 1;
        if (name.empty() || name == ".")
            continue;
        if (name == ".." && !place.arrNames.empty() && place.arrNames.back() != "..") {
            place.arrNames.pop_back();
            continue;
        }
        place.bAbove = place.bAbove || name == "..";
        place.arrNames.push_back(name);
    }
    return true;
}

// The start and the first count names, then leaf; %APP% ends with a
// backslash of its own.
std::string Join(const SPlace& place, size_t count, const std::string& leaf = std::string())
{
    std::string path = place.strStart;
    bool first = true;
    auto add = [&](const std::string& name) {
        if (!(place.bApp && first))
            path += '\\';
        path += name;
        first = false;
    };
    for (size_t i = 0; i < count; i++)
        add(place.arrNames[i]);
    if (!leaf.empty())
        add(leaf);
    return path;
}

bool IsShared(RegistryKeyPath::EKind kind)
{
    return kind == RegistryKeyPath::Root || kind == RegistryKeyPath::TopLevel || kind == RegistryKeyPath::SystemTree ||
           kind == RegistryKeyPath::SharedKey;
}

std::string Escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if ((unsigned char)c < 0x20)
                out += "&#" + std::to_string((unsigned char)c) + ";";
            else
                out += c;
        }
    }
    return out;
}

class CLogText
{
public:
    CLogText()
        : m_text("<?xml version=\"1.0\"?>\r\n<!-- Generated by kxpack build from the install script. -->\r\n")
    {
        m_text += std::string("<") + Section::Uninstall + ">\r\n";
    }
    void Setting(const char* name, const std::string& text)
    {
        m_text += std::string("\t<") + name + ">" + Escaped(text) + "</" + name + ">\r\n";
    }
    void Command(const char* name, std::initializer_list<std::pair<const char*, std::string>> attributes)
    {
        m_text += std::string("\t<") + name;
        for (const auto& attribute : attributes)
            m_text += std::string(" ") + attribute.first + "=\"" + Escaped(attribute.second) + "\"";
        m_text += " />\r\n";
    }
    std::string Finish() { return m_text + "</" + Section::Uninstall + ">\r\n"; }

private:
    std::string m_text;
};

// A key to remove once empty: the log removes the values the script writes
// first, and a value the application or the user added since (or another
// program's key of the same vendor) keeps its key. A registration the
// script writes (its App Paths, Uninstall, file type or class entry) goes
// whole, as the uninstaller's entry rules allow: it is the application's.
struct SKey
{
    std::string strKey;
    size_t uDepth;
    bool bIfEmpty;
};

bool IsEntry(RegistryKeyPath::EKind kind)
{
    return kind == RegistryKeyPath::UninstallEntry || kind == RegistryKeyPath::AppPathsEntry ||
           kind == RegistryKeyPath::ClassesEntry || kind == RegistryKeyPath::ComEntry;
}

class CKeys
{
public:
    void AddSection(const RegistryKeyPath::SKey& parsed)
    {
        RegistryKeyPath::SKey key = parsed;
        for (bool section = true; !IsShared(RegistryKeyPath::Classify(key.strSubKey)); section = false) {
            const char* names = key.strSubKey.GetText();
            Add(RegistryKeyPath::Format(key).GetText(),
                (size_t)std::count(names, names + key.strSubKey.GetLength(), '\\'),
                !(section && IsEntry(RegistryKeyPath::Classify(key.strSubKey))));
            const char* cut = strrchr(key.strSubKey.GetText(), '\\');
            if (!cut)
                break;
            key.strSubKey = key.strSubKey.Mid(0, (int)(cut - key.strSubKey.GetText()));
        }
    }
    // Deepest first, so that each key above is empty by its turn.
    std::vector<SKey> Sorted() const
    {
        std::vector<SKey> keys = m_arrKeys;
        std::stable_sort(keys.begin(), keys.end(), [](const SKey& a, const SKey& b) { return a.uDepth > b.uDepth; });
        return keys;
    }

private:
    void Add(const std::string& key, size_t depth, bool ifEmpty)
    {
        const auto found = m_mapIndex.find(Upper(key));
        if (found != m_mapIndex.end()) {
            m_arrKeys[found->second].bIfEmpty = m_arrKeys[found->second].bIfEmpty && ifEmpty;
            return;
        }
        m_mapIndex[Upper(key)] = m_arrKeys.size();
        m_arrKeys.push_back(SKey{key, depth, ifEmpty});
    }

    std::vector<SKey> m_arrKeys;
    std::map<std::string, size_t> m_mapIndex;
};

// A folder that held installed files: those below the installation's own
// come first (it last of them), each group deepest first.
struct SFolder
{
    std::string strPath;
    size_t uDepth;
    bool bApp;
};

bool SettingText(const CXMLNode* install, const char* name, const CItemTextFn& itemText, std::string& text)
{
    const CXMLNode* element = install->FindNode(name);
    if (!element)
        return false;
    CSmallString value = element->GetText();
    unsigned id = 0;
    if (element->GetAttributeValue(Attr::Id, id) && !(itemText && itemText(id, value)))
        value.Empty();
    text.assign(value.GetText(), (size_t)value.GetLength());
    return true;
}

} // namespace

bool WantsGeneratedLog(const CXMLNode* install)
{
    return install && !install->FindNode(Setting::Uninstaller) && install->FindNode(Setting::UninstallDisplayName);
}

std::string GenerateUninstallLog(const CXMLNode* install, const CItemTextFn& itemText, std::vector<std::string>& notes)
{
    std::string scopeText;
    EScope scope = ScopeUnset;
    SettingText(install, Setting::Scope, itemText, scopeText);
    const int perUser = ParseScope(scopeText.c_str(), scope) && scope == ScopeUser ? 1 : 0;
    COnce seen;
    std::vector<std::pair<std::string, std::string>> shortcuts, values, paths;
    std::vector<std::string> classes, files;
    CKeys keys;
    const std::string app = AppFolder();
    std::vector<SFolder> folders{{app, 0, true}};
    seen.Add("folder:" + app);
    bool runs = false;
    unsigned dlls = 0, outside = 0;

    for (unsigned i = 0; i < install->GetChildCount(); i++) {
        const CXMLNode* element = install->GetChild(i);
        if (Is(element, Command::Shortcut)) {
            const std::string folder = Attribute(element, Attr::Shortcut::Folder);
            const std::string name = Attribute(element, Attr::Shortcut::Name);
            if (!folder.empty() && !WhyNotShortcutName(folder.c_str(), CSmallString(name.c_str(), (int)name.size())) &&
                seen.Add("shortcut:" + folder + "\\" + name))
                shortcuts.emplace_back(folder, name);
        } else if (Is(element, Command::Association)) {
            const std::string extension = Attribute(element, Attr::Association::Extension);
            const std::string progId = Attribute(element, Attr::Association::ProgId);
            if (extension.size() < 2 || extension[0] != '.' || progId.empty())
                continue; // the installation writes nothing for it
            for (const std::string& name : {extension, progId}) {
                RegistryKeyPath::SKey key;
                RegistryKeyPath::Parse((kClasses[perUser] + name).c_str(), key);
                const std::string formatted = RegistryKeyPath::Format(key).GetText();
                if (!IsShared(RegistryKeyPath::Classify(key.strSubKey)) && seen.Add("key:" + formatted))
                    classes.push_back(formatted);
            }
        } else if (Is(element, Command::RegKey)) {
            RegistryKeyPath::SKey key;
            if (!RegistryKeyPath::Parse(element->GetAttributeValue(Attr::RegKey::Section), key))
                continue; // nor for a root it doesn't know
            const std::string formatted = RegistryKeyPath::Format(key).GetText();
            const std::string name = Attribute(element, Attr::RegKey::Name);
            if (seen.Add("value:" + formatted + "\n" + name))
                values.emplace_back(formatted, name);
            keys.AddSection(key);
        } else if (Is(element, Command::File)) {
            const std::string name = Attribute(element, Attr::File::Name);
            SPlace place;
            if (WinPath::WhyNotPlainName(name.c_str(), (int)name.size()) ||
                !ParsePlace(Attribute(element, Attr::File::Dest), place))
                continue;
            const std::string path = Join(place, place.arrNames.size(), name);
            // The uninstaller removes no file outside the installation's folder.
            if (!place.bApp || place.bAbove)
                outside += seen.Add("outside:" + path);
            else if (seen.Add("file:" + path))
                files.push_back(path);
            for (size_t n = place.arrNames.size(); n > 0 && !place.bAbove; n--)
                if (seen.Add("folder:" + Join(place, n)))
                    folders.push_back(SFolder{Join(place, n), n, place.bApp});
        } else if (Is(element, Command::Path)) {
            const std::string folder = Attribute(element, Attr::Path::Folder);
            const std::string scope = Attribute(element, Attr::Path::Scope);
            if (!folder.empty() && seen.Add("path:" + scope + "\n" + folder))
                paths.emplace_back(folder, scope);
        } else if (Is(element, Command::RunCommand)) {
            runs = runs || !Attribute(element, Attr::RunCommand::Cmd).empty();
        } else if (Is(element, Command::RegisterDll)) {
            dlls++;
        }
    }
    // What the engine itself writes into the installation's folder.
    if (runs && seen.Add("file:" + app + "install.log"))
        files.push_back(app + "install.log");
    for (const char* own : {"uninstall.exe", "uninstall.dat"})
        if (seen.Add("file:" + app + own))
            files.push_back(app + own);
    std::stable_sort(folders.begin(), folders.end(), [](const SFolder& a, const SFolder& b) {
        return a.bApp != b.bApp ? a.bApp : a.uDepth > b.uDepth;
    });
    if (outside)
        notes.push_back("the generated uninstall log leaves the files installed outside " + app + " (" +
                        std::to_string(outside) + "): the uninstaller removes no file outside the installation's "
                                                  "folder");
    if (dlls)
        notes.push_back("the generated uninstall log leaves what " + Tag(Command::RegisterDll) + " registered (" +
                        std::to_string(dlls) + "): " + Tag(Command::UnregisterDll) +
                        " names its DLL by a package item, and the uninstaller carries no package");

    CLogText log;
    std::string text, entry;
    if (SettingText(install, Setting::AppName, itemText, text) && !text.empty())
        log.Setting(Setting::AppName, text);
    if (SettingText(install, Setting::UninstallUrl, itemText, text) && !text.empty())
        log.Setting(Setting::UninstallUrl, text);
    if (SettingText(install, Setting::FinishAtRestart, itemText, text) && !text.empty())
        log.Setting(Setting::FinishAtRestart, text);
    for (const auto& shortcut : shortcuts)
        log.Command(Command::RemoveShortcut,
                    {{Attr::RemoveShortcut::Folder, shortcut.first}, {Attr::RemoveShortcut::Name, shortcut.second}});
    for (const auto& path : paths) {
        if (path.second.empty())
            log.Command(Command::RemovePath, {{Attr::RemovePath::Folder, path.first}});
        else
            log.Command(Command::RemovePath,
                        {{Attr::RemovePath::Folder, path.first}, {Attr::RemovePath::Scope, path.second}});
    }
    for (const std::string& key : classes)
        log.Command(Command::RemoveRegKey, {{Attr::RemoveRegKey::Section, key}});
    for (const auto& value : values)
        log.Command(Command::RemoveRegKey,
                    {{Attr::RemoveRegKey::Section, value.first}, {Attr::RemoveRegKey::Name, value.second}});
    for (const SKey& key : keys.Sorted()) {
        if (key.bIfEmpty)
            log.Command(Command::RemoveRegKey,
                        {{Attr::RemoveRegKey::Section, key.strKey}, {Attr::RemoveRegKey::IfEmpty, YesNo::Yes}});
        else
            log.Command(Command::RemoveRegKey, {{Attr::RemoveRegKey::Section, key.strKey}});
    }
    // Named as the installation names it: uninstall-key, else the display name.
    if (!SettingText(install, Setting::UninstallKey, itemText, entry) || entry.empty())
        SettingText(install, Setting::UninstallDisplayName, itemText, entry);
    if (!entry.empty())
        log.Command(Command::RemoveRegKey, {{Attr::RemoveRegKey::Section, kUninstallEntries[perUser] + entry}});
    for (const std::string& file : files)
        log.Command(Command::RemoveFile, {{Attr::RemoveFile::Path, file}});
    for (const SFolder& folder : folders)
        log.Command(Command::RemoveFolder,
                    {{Attr::RemoveFolder::Path, folder.strPath}, {Attr::RemoveFolder::IfEmpty, YesNo::Yes}});
    return log.Finish();
}
