// The install script's commands and the loop that runs them.
#include "Commands.h"

#include "EngineHelpers.h"
#include "FileAssociation.h"
#include "Folders.h"
#include "Platform.h"
#include "SinProgress.h"
#include "Shortcut.h"
#include "UserMessages.h"
#include "XMLDocument.h"
#include "win32/ResString.h"

CSmallString CCommandRunner::Text(const CXMLNode* element, const char* name)
{
    return CSmallString(element->GetAttributeValue(name));
}

CSmallString CCommandRunner::Translated(const CXMLNode* element, const char* name)
{
    CSmallString value = Text(element, name);
    m_reader.TranslatePath(value);
    return value;
}

const Container::CArray<unsigned char>* CCommandRunner::Item(const CXMLNode* element, unsigned& id)
{
    if (!element->GetAttributeValue("id", id) || id >= m_reader.GetItems().GetSize())
        return nullptr; // without a usable id the command is skipped
    return &m_reader.GetItems()[id];
}

bool CCommandRunner::ItemText(const CXMLNode* element, CSmallString& text)
{
    unsigned id = 0;
    const Container::CArray<unsigned char>* item = Item(element, id);
    if (!item)
        return false;
    text = CSmallString(reinterpret_cast<const char*>(item->GetData()), (int)item->GetSize());
    return true;
}

namespace {

// "<Shell Folders value>\<name>.lnk", or empty when the folder is unknown.
CSmallString LinkPath(const CXMLNode* element)
{
    char folder[260] = {0};
    GetSpecialFolderPath(CCommandRunner::Text(element, "folder"), folder, sizeof(folder));
    CSmallString path;
    if (folder[0])
        path.Format("%s\\%s.lnk", folder, CCommandRunner::Text(element, "name").GetText());
    return path;
}

bool DoFile(CCommandRunner& runner, const CXMLNode* element)
{
    unsigned id = 0;
    if (!runner.Item(element, id))
        return true;
    const CSmallString name = CCommandRunner::Text(element, "name");
    const CSmallString dest = CCommandRunner::Text(element, "dest");
    if (runner.WriteFileToDest(id, name, dest))
        return true;
    CSmallString path = ExpandEnvironment(dest);
    CheckPath(path);
    path += name;
    CSmallString message;
    message.Format(CResString(19), path.GetText());
    Error(message);
    return false;
}

bool DoShortcut(CCommandRunner& runner, const CXMLNode* element)
{
    const CSmallString target = runner.Translated(element, "target");
    const CSmallString link = LinkPath(element);
    if (link.IsEmpty() || !CreateShortcut(link, target, nullptr, SW_SHOWNORMAL)) {
        CSmallString message;
        message.Format(CResString(7), target.GetText());
        Error(message);
    }
    return true;
}

bool DoAssociation(CCommandRunner& runner, const CXMLNode* element)
{
    const CSmallString exe = runner.Translated(element, "exe");
    const CSmallString iconFile = runner.Translated(element, "iconfile");
    unsigned iconNum = 0;
    element->GetAttributeValue("iconnum", iconNum);
    if (CreateFileAssociation(CCommandRunner::Text(element, "extension"), CCommandRunner::Text(element, "progid"),
                              CCommandRunner::Text(element, "desc"), exe, iconFile.IsEmpty() ? exe : iconFile, iconNum,
                              CCommandRunner::Text(element, "commandline")))
        runner.m_bAssociationChanged = true;
    return true;
}

bool DoRegKey(CCommandRunner& runner, const CXMLNode* element)
{
    const char* section = element->GetAttributeValue("section");
    if (section) // without a key there is nothing to write
        runner.AddRegKey(section, CCommandRunner::Text(element, "name"), CCommandRunner::Text(element, "value"));
    return true;
}

bool DoBroadcastMessage(CCommandRunner& runner, const CXMLNode* element)
{
    CSmallString name;
    if (runner.ItemText(element, name))
        if (const UINT message = RegisterWindowMessageA(name))
            PostMessageA(HWND_BROADCAST, message, 0, 0);
    return true;
}

bool DoRemoveShortcut(CCommandRunner&, const CXMLNode* element)
{
    const CSmallString link = LinkPath(element);
    if (!link.IsEmpty())
        DeleteFileA(link);
    return true;
}

// Keys no uninstall log may delete whole: they hold other programs' data.
bool IsSharedRegistryKey(const char* subkey)
{
    static const char* const s_shared[] = {
        "Software\\Microsoft",
        "Software\\Microsoft\\Windows",
        "Software\\Microsoft\\Windows\\CurrentVersion",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
        "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
        "Software\\Classes",
        "Software\\Policies",
        "Software\\Wow6432Node",
    };
    CSmallString key(subkey);
    while (key.GetLength() && key.GetAt(key.GetLength() - 1) == '\\')
        key.Delete(key.GetLength() - 1, 1);
    if (key.IsEmpty() || key.Find(CSmallString("\\")) < 0)
        return true; // the root itself or one of its top-level keys
    for (const char* shared : s_shared)
        if (Mb::ICmp(key, shared) == 0)
            return true;
    return false;
}

bool DoRemoveRegKey(CCommandRunner&, const CXMLNode* element)
{
    const char* key = element->GetAttributeValue("section");
    if (!key)
        return true;
    HKEY root = GetKeyFromSection(key);
    if (!root)
        return true;
    const char* name = element->GetAttributeValue("name");
    if (!name) {
        if (!IsSharedRegistryKey(key))
            DeleteRegistryKey(root, key);
        return true;
    }
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_ALL_ACCESS, &handle) == ERROR_SUCCESS) {
        RegDeleteValueA(handle, *name ? name : nullptr);
        RegCloseKey(handle);
    }
    return true;
}

bool DoRemoveFolder(CCommandRunner& runner, const CXMLNode* element)
{
    const CSmallString path = runner.Translated(element, "path");
    if (!path.IsEmpty() && DoesFileExist(path))
        DeleteDirectory(path); // refuses system and user folders by itself
    return true;
}

bool DoRegisterDll(CCommandRunner& runner, const CXMLNode* element)
{
    CSmallString dll;
    if (runner.ItemText(element, dll)) {
        runner.m_reader.TranslatePath(dll);
        RegisterCOMDLL(dll);
    }
    return true;
}

bool DoUnregisterDll(CCommandRunner& runner, const CXMLNode* element)
{
    CSmallString dll;
    if (runner.ItemText(element, dll)) {
        runner.m_reader.TranslatePath(dll);
        UnregisterCOMDLL(dll);
    }
    return true;
}

const struct
{
    const char* pszName;
    CommandFn pfnRun;
} g_arrCommands[] = {
    {"file", DoFile},
    {"shortcut", DoShortcut},
    {"association", DoAssociation},
    {"reg-key", DoRegKey},
    {"broadcast-message", DoBroadcastMessage},
    {"remove-shortcut", DoRemoveShortcut},
    {"remove-reg-key", DoRemoveRegKey},
    {"remove-folder", DoRemoveFolder},
    {"register-dll", DoRegisterDll},
    {"unregister-dll", DoUnregisterDll},
    {"run-command", RunCommand},
};

} // namespace

CommandFn FindCommand(const char* name)
{
    for (const auto& command : g_arrCommands)
        if (Mb::ICmp(name, command.pszName) == 0)
            return command.pfnRun;
    return nullptr;
}

bool CSinReader::ExecuteCommands(CXMLNode* section, CSinProgressABC* progress)
{
    CCommandRunner runner(*this);
    unsigned index = 0;
    for (unsigned i = 0; i < section->GetChildCount(); i++) {
        const CXMLNode* element = section->GetChild(i);
        if (progress)
            progress->OnItemExecuted(index++);
        if (CommandFn run = FindCommand(element->GetName()))
            if (!run(runner, element))
                return false;
    }
    if (runner.m_bAssociationChanged)
        UpdateShellFileAssociationChanged();
    return true;
}
