// The install script's commands and the loop that runs them.
#include "Commands.h"

#include <cstdlib>

#include "ComServer.h"
#include "InstallScope.h"
#include "ShortcutFolders.h"
#include "Exceptions.h"
#include "FileAssociation.h"
#include "Folders.h"
#include "Platform.h"
#include "SafeRemover.h"
#include "ScriptWords.h"
#include "SetupLog.h"
#include "TestKnobs.h"
#include "SinProgress.h"
#include "ScriptCommandLine.h"
#include "Shortcut.h"
#include "ShortcutName.h"
#include "UserMessages.h"
#include "WinPath.h"
#include "XMLDocument.h"
#include "resource.h"
#include "win32/ResString.h"

CSmallString CCommandRunner::Text(const CXMLNode* element, const char* name)
{
    // The whole value, so that a NUL inside is seen rather than cut.
    const CSmallString* value = element->GetAttributes().FindValue(CSmallString(name));
    return value ? *value : CSmallString();
}

CSmallString CCommandRunner::Translated(const CXMLNode* element, const char* name)
{
    CSmallString value = Text(element, name);
    m_reader.TranslatePath(value);
    return value;
}

bool CCommandRunner::Item(const CXMLNode* element, unsigned& id)
{
    // Without a usable id the command is skipped.
    return element->GetAttributeValue(Attr::Id, id) && id < m_reader.GetItemCount();
}

bool CCommandRunner::ItemText(const CXMLNode* element, CSmallString& text)
{
    unsigned id = 0;
    Container::CArray<unsigned char> item;
    if (!Item(element, id) || !m_reader.ReadItem(id, item))
        return false;
    text = CSmallString(reinterpret_cast<const char*>(item.GetData()), (int)item.GetSize());
    return true;
}

bool CCommandRunner::KeepGoing() { return !m_pProgress || m_pProgress->OnWorking(); }

void CCommandRunner::Removing(const char* what)
{
    if (m_pProgress)
        m_pProgress->OnProgress(0, 0, what);
}

namespace {

// "<Shell Folders value>\<name>.lnk", or empty when the folder is unknown;
// subFolder: the sub-folder it goes into, when it names one.
CSmallString LinkPath(const CXMLNode* element, CSmallString& subFolder)
{
    char folder[260] = {0};
    const CSmallString folderName = CCommandRunner::Text(element, Attr::Shortcut::Folder);
    GetSpecialFolderPath(folderName, folder, sizeof(folder));
    CSmallString path, sub;
    WhyNotShortcutName(folderName, CCommandRunner::Text(element, Attr::Shortcut::Name), &sub);
    if (folder[0])
        path.Format("%s\\%s.lnk", folder, CCommandRunner::Text(element, Attr::Shortcut::Name).GetText());
    if (folder[0] && !sub.IsEmpty())
        subFolder.Format("%s\\%s", folder, sub.GetText());
    return path;
}

// "file,index" as uninstall-display-icon writes it: the index is what
// follows the last comma when that is a number.
void SplitIcon(const CSmallString& text, CSmallString& file, int& index)
{
    file = text;
    index = 0;
    const int comma = text.FindReverse(CSmallString(","));
    if (comma < 0)
        return;
    const char* number = text.GetText() + comma + 1;
    char* end = nullptr;
    const long value = strtol(number, &end, 10);
    if (end != number && !*end) {
        file = text.Mid(0, comma);
        index = (int)value;
    }
}

// A yes/no attribute: "yes", "true" or "1", in any case.
bool IsYes(const CXMLNode* element, const char* name)
{
    bool yes = false;
    return element->GetAttributeValue(name, yes) && yes;
}

// The files of the elements from this one on that go into the same
// folder, planned together: a run of them is how a packed folder reads.
void PlanFiles(CCommandRunner& runner, const CXMLNode* element)
{
    const unsigned kAhead = 256; // bounds the journal's batch and the memory it holds
    if (!runner.m_pSection || runner.m_uElement < runner.m_uUnplanned)
        return;
    const CSmallString dest = CCommandRunner::Text(element, Attr::File::Dest);
    Container::CArray<CSmallString> names;
    unsigned i = runner.m_uElement;
    for (; i < runner.m_pSection->GetChildCount() && names.GetSize() < kAhead; i++) {
        const CXMLNode* next = runner.m_pSection->GetChild(i);
        if (Mb::ICmp(next->GetName(), Command::File) != 0 || CCommandRunner::Text(next, Attr::File::Dest) != dest)
            break;
        unsigned id = 0;
        if (runner.Item(next, id)) // else skipped, as DoFile skips it
            names.Add(CCommandRunner::Text(next, Attr::File::Name));
    }
    runner.m_uUnplanned = i;
    if (names.GetSize() > 1)
        runner.m_pSession->PlanItems(names, dest);
}

bool DoFile(CCommandRunner& runner, const CXMLNode* element)
{
    unsigned id = 0;
    if (!runner.m_pSession || !runner.Item(element, id))
        return true;
    PlanFiles(runner, element);
    const EStepResult result = runner.m_pSession->WriteItem(id, CCommandRunner::Text(element, Attr::File::Name),
                                                            CCommandRunner::Text(element, Attr::File::Dest));
    return result == StepDone || runner.Stop(result);
}

bool DoShortcut(CCommandRunner& runner, const CXMLNode* element)
{
    const CSmallString name = CCommandRunner::Text(element, Attr::Shortcut::Name);
    if (const char* why = WhyNotShortcutName(CCommandRunner::Text(element, Attr::Shortcut::Folder), name)) {
        CSmallString message;
        message.Format(CResString(IDS_BAD_FILE_NAME), name.GetText(), why);
        Error(message);
        return runner.Stop(StepFailed);
    }
    const CSmallString target = runner.Translated(element, Attr::Shortcut::Target);
    CSmallString subFolder;
    const CSmallString link = LinkPath(element, subFolder);
    // The sub-folder is the installation's when it makes it: recorded, and
    // removed by the uninstall once empty.
    DWORD folderError = 0;
    if (!subFolder.IsEmpty() && runner.m_pSession && !runner.m_pSession->CreateFolders(subFolder + "\\", folderError))
        LogLine("Could not create the folder %s: %s", subFolder.GetText(), GetLastErrorString((int)folderError).GetText());
    else if (!subFolder.IsEmpty() && !runner.m_pSession)
        CreateDirectoryA(subFolder, nullptr);
    SShortcut details;
    details.pszTarget = target;
    const CSmallString arguments =
        ExpandScriptCommandLine(CCommandRunner::Text(element, Attr::Shortcut::Arguments), true);
    const CSmallString workingFolder = runner.Translated(element, Attr::Shortcut::WorkingFolder);
    const CSmallString description = CCommandRunner::Text(element, Attr::Shortcut::Description);
    CSmallString iconFile;
    SplitIcon(runner.Translated(element, Attr::Shortcut::Icon), iconFile, details.nIconIndex);
    details.pszArguments = arguments;
    details.pszWorkingFolder = workingFolder.IsEmpty() ? nullptr : workingFolder.GetText();
    details.pszIconFile = iconFile;
    details.pszDescription = description;
    CSmallString backup;
    DWORD error = 0;
    if (runner.m_pSession && DoesFileExist(link) && !runner.m_pSession->GetJournal().SetAside(link, backup, error))
        LogLine("Could not set aside the shortcut %s: %s", link.GetText(), GetLastErrorString((int)error).GetText());
    if (runner.m_pSession && !link.IsEmpty())
        runner.m_pSession->GetJournal().BeforeFile(link, backup);
    if (link.IsEmpty() || !CreateShortcut(link, details)) {
        CSmallString message;
        message.Format(CResString(IDS_SHORTCUT_FAILED), target.GetText());
        Error(WithSupportAddress(runner.m_reader, message));
        if (!backup.IsEmpty())
            MoveFileExA(backup, link, MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING);
        return true;
    }
    if (runner.m_pSession) {
        runner.m_pSession->GetJournal().NoteMade(link, nullptr, true);
        runner.m_pSession->GetJournal().AddShortcut(link, backup);
    }
    LogLine("Shortcut created: %s -> %s", link.GetText(), target.GetText());
    return true;
}

bool DoAssociation(CCommandRunner& runner, const CXMLNode* element)
{
    const CSmallString exe = runner.Translated(element, Attr::Association::Exe);
    const CSmallString iconFile = runner.Translated(element, Attr::Association::IconFile);
    const CSmallString extension = CCommandRunner::Text(element, Attr::Association::Extension);
    const CSmallString progId = CCommandRunner::Text(element, Attr::Association::ProgId);
    unsigned iconNum = 0;
    element->GetAttributeValue(Attr::Association::IconNum, iconNum);

    // The values the association may write, as they are now, for the undo
    // and the record.
    // A per-user installation's are the user's own classes.
    const bool forUser = IsPerUser();
    const HKEY root = forUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
    const char* rootName = GetRegistryRootName(root);
    const CSmallString under = forUser ? "Software\\Classes\\" : "";
    const CSmallString keys[4] = {under + extension, under + progId, under + progId + "\\shell\\open\\command",
                                  under + progId + "\\DefaultIcon"};
    SRegistryBefore before[4];
    const bool named = !extension.IsEmpty() && !progId.IsEmpty();
    for (int i = 0; named && runner.m_pSession && i < 4; i++) {
        before[i] = CaptureRegistry(root, rootName, keys[i], nullptr);
        runner.m_pSession->GetJournal().BeforeValue(before[i]);
    }

    if (CreateFileAssociation(extension, progId, CCommandRunner::Text(element, Attr::Association::Desc), exe,
                              iconFile.IsEmpty() ? exe : iconFile, iconNum,
                              CCommandRunner::Text(element, Attr::Association::CommandLine), forUser)) {
        runner.m_bAssociationChanged = true;
        LogLine("Association: %s -> %s (%s)", extension.GetText(), progId.GetText(), exe.GetText());
    }
    for (int i = 0; named && runner.m_pSession && i < 4; i++) {
        const SRegistryBefore after = CaptureRegistry(root, rootName, keys[i], nullptr);
        const bool changed = after.bExisted != before[i].bExisted || after.dwType != before[i].dwType ||
                             after.arrData.GetSize() != before[i].arrData.GetSize() ||
                             memcmp(after.arrData.GetData(), before[i].arrData.GetData(), after.arrData.GetSize()) != 0;
        runner.m_pSession->GetJournal().AddRegistry(before[i], changed);
    }
    return true;
}

bool DoRegKey(CCommandRunner& runner, const CXMLNode* element)
{
    const char* section = element->GetAttributeValue(Attr::RegKey::Section);
    if (!section) // without a key there is nothing to write
        return true;
    const char* type = element->GetAttributeValue(Attr::RegKey::Type);
    const CSmallString name = CCommandRunner::Text(element, Attr::RegKey::Name);
    CSmallString why;
    if (!type) { // as it always was: a string, a value the registry refuses logged
        runner.AddRegKey(section, name, CCommandRunner::Text(element, Attr::RegKey::Value));
        return true;
    }
    if (runner.AddRegValue(section, name, type, CCommandRunner::Text(element, Attr::RegKey::Value), why))
        return true;
    // A number or bytes the registry can't be given are the script's fault:
    // the installation stops rather than leave the application half set up.
    CSmallString message;
    message.Format(CResString(IDS_BAD_REGISTRY_VALUE), section, name.IsEmpty() ? "(default)" : name.GetText(),
                   why.GetText());
    LogLine("%s", message.GetText());
    Error(message);
    return runner.Stop(StepFailed);
}

bool DoBroadcastMessage(CCommandRunner& runner, const CXMLNode* element)
{
    CSmallString name;
    if (runner.ItemText(element, name))
        if (const UINT message = RegisterWindowMessageA(name))
            PostMessageA(HWND_BROADCAST, message, 0, 0);
    return true;
}

bool DoRemoveShortcut(CCommandRunner& runner, const CXMLNode* element)
{
    const CSmallString folder = CCommandRunner::Text(element, Attr::RemoveShortcut::Folder),
                       name = CCommandRunner::Text(element, Attr::RemoveShortcut::Name);
    runner.Removing(folder + "\\" + name);
    runner.m_remover.RemoveShortcut(folder, name);
    return true;
}

bool DoRemoveRegKey(CCommandRunner& runner, const CXMLNode* element)
{
    if (const char* section = element->GetAttributeValue(Attr::RemoveRegKey::Section)) {
        runner.Removing(section);
        runner.m_remover.RemoveRegistry(section, element->GetAttributeValue(Attr::RemoveRegKey::Name),
                                        IsYes(element, Attr::RemoveRegKey::IfEmpty));
    }
    return true;
}

bool DoRemoveFolder(CCommandRunner& runner, const CXMLNode* element)
{
    const CSmallString path = runner.Translated(element, Attr::RemoveFolder::Path);
    runner.Removing(path);
    runner.m_remover.RemoveFolder(path, IsYes(element, Attr::RemoveFolder::IfEmpty));
    return true;
}

bool DoRemoveFile(CCommandRunner& runner, const CXMLNode* element)
{
    const CSmallString path = runner.Translated(element, Attr::RemoveFile::Path);
    runner.Removing(path);
    runner.m_remover.RemoveFile(path);
    return true;
}

bool DoRegisterDll(CCommandRunner& runner, const CXMLNode* element)
{
    CSmallString dll;
    if (runner.ItemText(element, dll)) {
        runner.m_reader.TranslatePath(dll);
        if (runner.m_pSession)
            runner.m_pSession->GetJournal().BeforeDll(dll);
        if (RegisterCOMDLL(dll)) {
            LogLine("Registered %s", dll.GetText());
            if (runner.m_pSession)
                runner.m_pSession->GetJournal().AddDll(dll);
        } else {
            LogLine("Could not load %s to register it", dll.GetText());
        }
    }
    return true;
}

bool DoUnregisterDll(CCommandRunner& runner, const CXMLNode* element)
{
    CSmallString dll;
    if (runner.ItemText(element, dll)) {
        runner.m_reader.TranslatePath(dll);
        LogLine("%s %s", UnregisterCOMDLL(dll) ? "Unregistered" : "Could not load", dll.GetText());
    }
    return true;
}

// Every word of the vocabulary has its Do<word> here, or this won't build.
const struct
{
    const char* pszName;
    CommandFn pfnRun;
} g_arrCommands[] = {
#define KX_COMMAND_ENTRY(id, name, item) {name, Do##id},
    KX_SCRIPT_COMMANDS(KX_COMMAND_ENTRY)
#undef KX_COMMAND_ENTRY
};

} // namespace

CommandFn FindCommand(const char* name)
{
    for (const auto& command : g_arrCommands)
        if (Mb::ICmp(name, command.pszName) == 0)
            return command.pfnRun;
    return nullptr;
}

EStepResult CSinReader::ExecuteCommands(CXMLNode* section, CSinProgressABC* progress, CInstallSession* session,
                                        CSafeRemover& remover)
{
    CCommandRunner runner(*this, progress, session, remover);
    runner.m_pSection = section;
    for (unsigned i = 0; i < section->GetChildCount(); i++) {
        const CXMLNode* element = section->GetChild(i);
        runner.m_uElement = i;
        if (progress && !progress->OnItemExecuted(i))
            return StepCancelled;
        if (CommandFn run = FindCommand(element->GetName())) {
            if (!run(runner, element))
                return runner.m_eStop;
            EndIfAsked("command");
        }
    }
    if (runner.m_bAssociationChanged)
        UpdateShellFileAssociationChanged();
    return StepDone;
}
