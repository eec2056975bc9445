#include "ScriptEffects.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "Platform.h"
#include "ScriptMarkup.h"
#include "ScriptVocabulary.h"
#include "ScriptWords.h"
#include "Spelling.h"
#include "XMLNode.h"

using namespace RegistryKeyPath;

namespace {

std::string Upper(std::string text)
{
    for (char& c : text)
        c = (char)toupper((unsigned char)c);
    return text;
}

std::string Value(const CXMLNode* element, const char* name)
{
    const char* value = element->GetAttributeValue(name);
    return value ? value : "";
}

// The part of path below %APP%, names joined by single backslashes; false
// when path doesn't start with %APP% or climbs out of it.
bool BelowApp(const char* path, std::string& below)
{
    const std::string app = Variable::AppReference;
    if (!path || Mb::NbICmp(path, app.c_str(), app.size()) != 0)
        return false;
    std::vector<std::string> names;
    std::string name;
    for (const char* p = path + app.size();; p++) {
        if (*p && *p != '\\' && *p != '/') {
            name += *p;
            continue;
        }
        if (name == "..") {
            if (names.empty())
                return false;
            names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        name.clear();
        if (!*p)
            break;
    }
    below.clear();
    for (const std::string& n : names)
        below += (below.empty() ? "" : "\\") + n;
    return true;
}

// The engine can remove it: not a root, a top-level key or a shared tree.
bool IsRemovable(const SKey& key)
{
    const EKind kind = Classify(key.strSubKey);
    return kind != Root && kind != TopLevel && kind != SystemTree && kind != SharedKey;
}

SKey Key(const char* text)
{
    SKey key;
    Parse(text, key);
    return key;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

} // namespace

void CScriptEffects::NoteFile(const CXMLNode* file)
{
    std::string below;
    const std::string name = Value(file, Attr::File::Name);
    if (name.empty() || !BelowApp(Value(file, Attr::File::Dest).c_str(), below))
        return;
    // The file and every folder it lies in.
    std::string path = below.empty() ? name : below + "\\" + name;
    m_setFiles.insert(Upper(path));
    for (;;) {
        m_mapInstalled[Upper(path)] = path;
        const size_t cut = path.find_last_of('\\');
        if (cut == std::string::npos)
            break;
        path.erase(cut);
    }
}

void CScriptEffects::NoteOwnFile(const char* name)
{
    m_mapInstalled[Upper(name)] = name;
    m_setFiles.insert(Upper(name));
}

void CScriptEffects::CheckTarget(const SPlace& at, const std::string& what, const char* path)
{
    std::string below;
    if (!BelowApp(path, below) || below.empty() || m_mapInstalled.count(Upper(below)))
        return;
    std::vector<const char*> installed;
    for (const auto& entry : m_mapInstalled)
        installed.push_back(entry.second.c_str());
    const char* nearest = NearestName(below.c_str(), installed.data(), (unsigned)installed.size());
    const std::string app = Variable::AppReference;
    if (nearest)
        m_report.Warning(at, "%s \"%s\" is not a file the script installs: did you mean %s%s?", what.c_str(), path,
                         app.c_str(), nearest);
    else
        m_report.Warning(at, "%s \"%s\" is not a file the script installs: add a %s that puts it in %s",
                         what.c_str(), path, Tag(Command::File).c_str(), app.c_str());
}

void CScriptEffects::CheckCommandLine(const SPlace& at, const std::string& what, const char* commandLine)
{
    std::string line = commandLine;
    const size_t start = line.find_first_not_of(" \t\r\n");
    if (start == std::string::npos)
        return;
    line.erase(0, start);
    const size_t end = line[0] == '"' ? line.find('"', 1) : line.find_first_of(" \t\r\n");
    const std::string program = line[0] == '"' ? line.substr(1, end == std::string::npos ? end : end - 1)
                                                : line.substr(0, end);
    CheckTarget(at, what, program.c_str());
}

void CScriptEffects::NoteCreated(const CXMLNode* element, const SPlace& at)
{
    const char* command = element->GetName();
    if (Mb::ICmp(command, Command::Shortcut) == 0) {
        const std::string name = Value(element, Attr::Shortcut::Name);
        const char* known = FindShortcutFolder(element->GetAttributeValue(Attr::Shortcut::Folder));
        if (name.empty() || !known)
            return; // already an error
        SCreated created;
        created.at = at;
        created.strWhat = Tag(Command::Shortcut) + " " + Quoted(name) + " in " + known;
        created.strMatch = Upper(std::string(known) + "\\" + name);
        created.strAdd = EmptyTag(Command::RemoveShortcut, AttributeText(Attr::RemoveShortcut::Folder, known) + " " +
                                                               AttributeText(Attr::RemoveShortcut::Name, name));
        m_arrCreated.push_back(created);
    } else if (Mb::ICmp(command, Command::Association) == 0) {
        // Its extension and its file type, each a key of its own.
        for (const char* attribute : {Attr::Association::Extension, Attr::Association::ProgId}) {
            const std::string name = Value(element, attribute);
            if (name.empty())
                continue;
            SCreated created;
            created.at = at;
            created.key = Key(("HKEY_LOCAL_MACHINE\\Software\\Classes\\" + name).c_str());
            created.strWhat = Tag(Command::Association) + " key " + Quoted(Format(created.key).GetText());
            created.strAdd =
                EmptyTag(Command::RemoveRegKey, AttributeText(Attr::RemoveRegKey::Section, Format(created.key).GetText()));
            m_arrCreated.push_back(created);
        }
    } else if (Mb::ICmp(command, Command::RegKey) == 0) {
        SCreated created;
        created.at = at;
        if (!Parse(element->GetAttributeValue(Attr::RegKey::Section), created.key))
            return; // already an error
        created.strValue = Value(element, Attr::RegKey::Name);
        const std::string key = Format(created.key).GetText();
        created.strWhat = Tag(Command::RegKey) + " " + Quoted(key);
        // A value in a key that holds others' too goes alone.
        created.strAdd = EmptyTag(Command::RemoveRegKey,
                                  AttributeText(Attr::RemoveRegKey::Section, key) +
                                      (IsRemovable(created.key)
                                           ? ""
                                           : " " + AttributeText(Attr::RemoveRegKey::Name, created.strValue)));
        m_arrCreated.push_back(created);
    }
}

void CScriptEffects::NoteRemoved(const CXMLNode* element)
{
    const char* command = element->GetName();
    if (Mb::ICmp(command, Command::RemoveShortcut) == 0) {
        const char* known = FindShortcutFolder(element->GetAttributeValue(Attr::RemoveShortcut::Folder));
        const std::string folder = known ? known : Value(element, Attr::RemoveShortcut::Folder);
        m_arrRemovedShortcuts.push_back(Upper(folder + "\\" + Value(element, Attr::RemoveShortcut::Name)));
    } else if (Mb::ICmp(command, Command::RemoveRegKey) == 0) {
        const SKey key = Key(element->GetAttributeValue(Attr::RemoveRegKey::Section));
        const char* value = element->GetAttributeValue(Attr::RemoveRegKey::Name);
        if (key.eRoot == NoRoot)
            return;
        if (value)
            m_arrRemovedValues.emplace_back(key, value);
        else if (IsRemovable(key) && !element->GetAttributeValue(Attr::RemoveRegKey::IfEmpty))
            m_arrRemovedKeys.push_back(key); // an if-empty one may stay, and what is below it
    } else if (Mb::ICmp(command, Command::RemoveFolder) == 0) {
        std::string below;
        if (!BelowApp(element->GetAttributeValue(Attr::RemoveFolder::Path), below))
            return;
        if (!element->GetAttributeValue(Attr::RemoveFolder::IfEmpty))
            m_arrRemovedFolders.push_back(Upper(below));
        else if (below.empty())
            m_bRemovesAppIfEmpty = true;
    } else if (Mb::ICmp(command, Command::RemoveFile) == 0) {
        std::string below;
        if (BelowApp(element->GetAttributeValue(Attr::RemoveFile::Path), below))
            m_setRemovedFiles.insert(Upper(below));
    }
}

bool CScriptEffects::IsRemoved(const SCreated& created) const
{
    if (!created.strMatch.empty())
        return std::find(m_arrRemovedShortcuts.begin(), m_arrRemovedShortcuts.end(), created.strMatch) !=
               m_arrRemovedShortcuts.end();
    // Keys under Software\Classes may be removed from either root's.
    SKey user = created.key;
    user.eRoot = CurrentUser;
    const bool classes = !BelowClasses(created.key.strSubKey).IsEmpty();
    for (const SKey& removed : m_arrRemovedKeys)
        if (IsSameOrBelow(created.key, removed) || (classes && IsSameOrBelow(user, removed)))
            return true;
    for (const auto& removed : m_arrRemovedValues)
        if (!created.strValue.empty() && IsSameOrBelow(created.key, removed.first) &&
            IsSameOrBelow(removed.first, created.key) &&
            Mb::ICmp(created.strValue.c_str(), removed.second.c_str()) == 0)
            return true;
    return false;
}

void CScriptEffects::CheckLeftovers(const std::string& log, const SPlace& folderAt)
{
    std::set<std::string> suggested;
    for (const SCreated& created : m_arrCreated)
        if (!IsRemoved(created) && suggested.insert(Upper(created.strAdd)).second)
            m_report.Warning(created.at, "%s stays after uninstalling: %s never removes it; add %s",
                             created.strWhat.c_str(), log.c_str(), created.strAdd.c_str());
    // The folder goes whole, or once empty when every file in it goes.
    const auto whole = [this](const std::string& below) {
        for (const std::string& folder : m_arrRemovedFolders)
            if (folder.empty() || below == folder || below.compare(0, folder.size() + 1, folder + "\\") == 0)
                return true;
        return false;
    };
    if (whole(std::string()))
        return;
    if (!m_bRemovesAppIfEmpty) {
        m_report.Warning(folderAt, "the application's folder stays after uninstalling: %s never removes it; add %s",
                         log.c_str(),
                         EmptyTag(Command::RemoveFolder, AttributeText(Attr::RemoveFolder::Path, Variable::AppReference))
                             .c_str());
        return;
    }
    std::vector<std::string> left;
    for (const std::string& file : m_setFiles)
        if (!m_setRemovedFiles.count(file) && !whole(file))
            left.push_back(m_mapInstalled[file]);
    if (left.empty())
        return;
    const std::string more = left.size() > 1 ? " (and " + std::to_string(left.size() - 1) + " more)" : "";
    const std::string path = Variable::AppReference + left[0];
    m_report.Warning(folderAt,
                     "the application's folder stays after uninstalling: %s removes it only once empty but never "
                     "removes %s%s; add %s%s",
                     log.c_str(), path.c_str(), more.c_str(),
                     EmptyTag(Command::RemoveFile, AttributeText(Attr::RemoveFile::Path, path)).c_str(),
                     left.size() > 1 ? " for each" : "");
}
