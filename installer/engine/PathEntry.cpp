// <path>: the application's folder added to the user's or the machine's
// PATH once, and <remove-path>: that entry taken out again, the rest of
// PATH as it was.
#include "Commands.h"

#include "Exceptions.h"
#include "InstallScope.h"
#include "Journal.h"
#include "PathList.h"
#include "SafeRemover.h"
#include "ScriptWords.h"
#include "SetupLog.h"
#include "SystemPaths.h"
#include "UserMessages.h"
#include "WinPath.h"
#include "XMLDocument.h"
#include "resource.h"
#include "win32/ResString.h"

namespace {

// The folder must be the application's: a script's PATH entry elsewhere
// would outlive it, and a log's could take another program's away.
bool IsApplicationFolder(const CSmallString& folder)
{
    const CSmallString app = WinPath::Normalise(ExpandEnvironment(Variable::AppReference));
    const CSmallString normal = WinPath::Normalise(folder);
    return !normal.IsEmpty() && !app.IsEmpty() && WinPath::IsSameOrInside(normal, app);
}

bool Refused(CCommandRunner& runner, const CSmallString& folder, const char* why)
{
    CSmallString message;
    message.Format(CResString(IDS_BAD_PATH_ENTRY), folder.GetText(), why);
    LogLine("%s", message.GetText());
    Error(message);
    return runner.Stop(StepFailed);
}

} // namespace

bool DoPath(CCommandRunner& runner, const CXMLNode* element)
{
    // Written as PATH entries are, without a trailing backslash ("C:\" aside).
    CSmallString folder = runner.Translated(element, Attr::Path::Folder);
    while (folder.GetLength() > 3 && folder.GetAt(folder.GetLength() - 1) == '\\')
        folder.Delete(folder.GetLength() - 1, 1);
    bool machine = false, atStart = false;
    CSmallString why;
    if (!ParsePathPlace(element->GetAttributeValue(Attr::Path::Scope), element->GetAttributeValue(Attr::Path::Position),
                        IsPerUser(), machine, atStart, why))
        return Refused(runner, folder, why);
    if (!IsApplicationFolder(folder))
        return Refused(runner, folder, "it is not the application's folder or a folder in it");
    const char* key = machine ? kMachineEnvironmentKey : kUserEnvironmentKey;
    CSmallString subkey;
    const HKEY root = SplitRegistryKey(key, subkey);
    const SRegistryBefore now = CaptureRegistry(root, GetRegistryRootName(root), subkey, "Path");
    const CSmallString list = RegistryText(now);
    if (PathListHas(list, folder)) {
        LogLine("%s is in the %s PATH already: left as it is", folder.GetText(), machine ? "machine's" : "user's");
        // An upgrade's: still the application's, the earlier version added it.
        if (runner.m_pSession && runner.m_pSession->EarlierWroteValue(key, "Path"))
            runner.m_pSession->GetJournal().NoteValueSet(key, "Path");
        return true;
    }
    const CSmallString changed = PathListAdd(list, folder, atStart);
    const unsigned type = now.bExisted && now.dwType == REG_SZ ? REG_SZ : REG_EXPAND_SZ;
    if (!runner.WriteRegValue(key, "Path", type, changed.GetText(), (unsigned)changed.GetLength() + 1))
        return Refused(runner, folder, "the registry refused the new PATH (the setup log says why)");
    BroadcastEnvironmentChange();
    LogLine("Added %s to the %s PATH", folder.GetText(), machine ? "machine's" : "user's");
    return true;
}

bool DoRemovePath(CCommandRunner& runner, const CXMLNode* element)
{
    bool machine = false, atStart = false;
    CSmallString why;
    const CSmallString folder = runner.Translated(element, Attr::RemovePath::Folder);
    if (!ParsePathPlace(element->GetAttributeValue(Attr::RemovePath::Scope), nullptr, IsPerUser(), machine, atStart,
                        why)) {
        runner.m_remover.RefuseCommand(CSmallString(Command::RemovePath) + " " + folder, why);
        return true;
    }
    runner.m_remover.RemovePathEntry(machine ? kMachineEnvironmentKey : kUserEnvironmentKey, folder);
    return true;
}
