// Uninstall registration after a successful installation, and the run of
// an uninstall log.
#include <cstring>

#include "Browser.h"
#include "Caught.h"
#include "CommandText.h"
#include "Destination.h"
#include "Registry.h"
#include "RunJournal.h"
#include "FileText.h"
#include "Folders.h"
#include "AtRestart.h"
#include "InstallRecord.h"
#include "InstalledPrograms.h"
#include "LogCopy.h"
#include "Registration.h"
#include "RunLock.h"
#include "Security.h"
#include "InstallSession.h"
#include "ReleasePtr.h"
#include "SafeRemover.h"
#include "SetupLog.h"
#include "SinProgress.h"
#include "SinReader.h"
#include "UserMessages.h"
#include "XMLDocument.h"
#include "WinPath.h"
#include "XMLWellFormed.h"
#include "win32/Handles.h"
#include "resource.h"
#include "win32/ResString.h"
#include "ScriptWords.h"
#include "InstallScope.h"

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// A heading (a string with %s for the list) and its items, when there are any.
void AddLeftBehind(CSmallString& text, unsigned heading, const Container::CArray<CSmallString>& items)
{
    if (items.IsEmpty())
        return;
    CSmallString list = ListForUser(items), part;
    list.Delete(list.GetLength() - 1, 1); // the next part, or the caller, starts its own line
    part.Format(CResString(heading), list.GetText());
    text += part;
}

} // namespace

void RemoveOrphanEntries(const CSmallString& folder, const CSmallString& keep)
{
    CSmallString app = folder;
    WinPath::EndWithBackslash(app);
    const CSmallString ours = WinPath::Normalise(app + "uninstall.exe");
    static const char s_szUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    Container::CArray<CSmallString> orphans;
    {
        CRegKey uninstall;
        if (uninstall.Open(GetEntryRoot(), s_szUninstall, KEY_READ) != ERROR_SUCCESS)
            return;
        const Container::CArray<CSmallString> names = ListRegistrySubkeys(uninstall);
        for (unsigned i = 0; i < names.GetSize(); i++) {
            const CSmallString& name = names[i];
            if (lstrcmpiA(name, keep) == 0)
                continue;
            CSmallString command = ReadRegistryText(uninstall, name, "UninstallString");
            command.Remove('"');
            command.TrimBoth();
            const CSmallString theirs = WinPath::Normalise(command);
            if (!theirs.IsEmpty() && WinPath::IsSameOrInside(theirs, ours) && WinPath::IsSameOrInside(ours, theirs))
                orphans.Add(name);
        }
    }
    for (unsigned i = 0; i < orphans.GetSize(); i++) {
        DeleteRegistryKey(GetEntryRoot(), CSmallString(s_szUninstall) + "\\" + orphans[i]);
        LogLine("Removed the earlier entry \"%s\", which named the same uninstaller", orphans[i].GetText());
    }
}

bool CSinReader::AddUninstall(CInstallSession& session)
{
    CSmallString displayName, helpLink, publisher, urlAbout, urlUpdate, displayIcon, version;
    GetInstallItem(Setting::UninstallDisplayName, displayName);
    GetInstallItem(Setting::UninstallHelpLink, helpLink);
    GetInstallItem(Setting::UninstallPublisher, publisher);
    GetInstallItem(Setting::UninstallUrlAbout, urlAbout);
    GetInstallItem(Setting::UninstallUrlUpdate, urlUpdate);
    GetInstallItem(Setting::UninstallDisplayIcon, displayIcon);
    GetInstallItem(Setting::Version, version);
    TranslatePath(displayIcon);
    const CSmallString keyName = GetUninstallKeyName(*this);
    if (displayName.IsEmpty() || keyName.IsEmpty()) {
        LogLine("No uninstaller registered: the script has no uninstall-display-name");
        return true;
    }

    // Both files whole and in place before the entry that points at them;
    // the program first, so that the log's record lists it.
    const CSmallString key = CSmallString(GetEntryRootName()) + "\\" + kUninstallKey + keyName;
    const CSmallString app(Variable::AppReference);
    CSmallString exe = app + "uninstall.exe", logPath = app + "uninstall.dat", why, log, composed;
    TranslatePath(exe);
    TranslatePath(logPath);
    GetInstallItem(Setting::Uninstaller, log);
    bool written = session.WriteUninstallerWhole(exe, why);
    CSmallString unwritten = exe; // named to the user when something isn't written
    // Elevated, a copy where only administrators write: the uninstaller
    // trusts that, not a log users may be able to change. Its folder keeps
    // the files the installation replaced, and the record names them there.
    // A per-user installation is the user's to change, whoever installs it.
    CSmallString copy, store;
    if (written && IsProcessElevated() && !IsPerUser()) {
        m_strOldLogCopy = ReadRegistryText(HKEY_LOCAL_MACHINE, CSmallString(kUninstallKey) + keyName, kLogCopyValue);
        if (!m_strOldLogCopy.IsEmpty())
            session.GetJournal().NoteDropOnCommit(m_strOldLogCopy);
        CSmallString folder;
        copy = CreateLogCopyFolder(folder, session.GetJournal());
        unwritten = copy.IsEmpty() ? CSmallString("%ProgramData%\\kxsetup-...") : copy;
        if (copy.IsEmpty()) {
            why = GetLastErrorString();
            written = false;
        } else {
            session.GetJournal().AddOwnFolder(folder);
            store = folder + "\\";
        }
    }
    if (written && !session.KeepReplaced(store, why)) {
        unwritten = "%LOCALAPPDATA%\\kxsetup-...";
        written = false;
    }
    if (written) {
        unwritten = logPath;
        session.PlanKey(key);
        if (!session.ComposeUninstallLog(log, composed)) {
            LogLine("The uninstall log has no uninstall section to hold the installation's record");
            session.ForgetKept();
        }
        written = session.WriteFileWhole(logPath, composed.GetText(), (unsigned)composed.GetLength(), why);
    }
    if (written && !copy.IsEmpty()) {
        unwritten = copy;
        written = session.WriteFileWhole(copy, composed.GetText(), (unsigned)composed.GetLength(), why);
    }
    if (!written) {
        CSmallString message, reason;
        reason.Format(CResString(IDS_SYSTEM_REASON), why.GetText());
        message.Format(CResString(IDS_UNINSTALLER_NOT_WRITTEN), unwritten.GetText(), reason.GetText());
        Error(message);
        return false;
    }

    CSmallString location = session.GetFolder(), date;
    if (location.GetLength() > 3)
        location.Delete(location.GetLength() - 1, 1); // no trailing backslash but on a drive
    SYSTEMTIME today;
    GetLocalTime(&today);
    date.Format("%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    AddRegKey(key, "DisplayName", displayName);
    if (!version.IsEmpty())
        AddRegKey(key, "DisplayVersion", version);
    AddRegKey(key, "HelpLink", helpLink);
    AddRegKey(key, "Publisher", publisher);
    if (!urlAbout.IsEmpty())
        AddRegKey(key, "URLInfoAbout", urlAbout);
    if (!urlUpdate.IsEmpty())
        AddRegKey(key, "URLUpdateInfo", urlUpdate);
    AddRegKey(key, "DisplayIcon", displayIcon);
    AddRegKey(key, "InstallLocation", location);
    AddRegKey(key, "InstallDate", date);
    // KiB of what was installed, rounded up.
    AddRegKey(key, "EstimatedSize", (unsigned)((session.GetBytesWritten() + 1023) / 1024));
    AddRegKey(key, "NoModify", 1u);
    AddRegKey(key, "NoRepair", 1u);
    const CSmallString uninstaller = QuoteCommandProgram(app + "uninstall.exe");
    AddRegKey(key, "QuietUninstallString", uninstaller + " /S");
    if (!copy.IsEmpty() && !AddRegKey(key, kLogCopyValue, copy))
        return false;
    return AddRegKey(key, "UninstallString", uninstaller);
}

namespace {

// The log at path, checked whole: null with why when it is cut short,
// damaged or has no uninstall section (it would run whatever its last
// bytes say).
CXMLDocument* LoadWholeLog(const char* path, CSmallString& text, CSmallString& why)
{
    SXMLProblem problem;
    if (!LoadFileIntoString(path, text)) {
        why = "it can't be read";
        return nullptr;
    }
    if (!CheckXMLWellFormed(text, (unsigned)text.GetLength(), false, problem)) {
        why.Format("line %u, column %u: %s", problem.uLine, problem.uColumn, problem.szMessage);
        return nullptr;
    }
    CReleasePtr<CXMLDocument> log(CXMLDocument::LoadFromMemory(text, (unsigned)text.GetLength(), true));
    if (!log)
        why = "it can't be read";
    else if (!log->FindNode(Section::Uninstall))
        why = "it has no uninstall section";
    return why.IsEmpty() ? log.Detach() : nullptr;
}

// An element as one line of text: its name, attributes, text and what it
// holds. Alike elements read alike; any change reads otherwise.
CSmallString ElementText(const CXMLNode* element)
{
    CSmallString text = CSmallString("<") + element->GetName();
    const CXMLNode::CAttributeMap& attributes = element->GetAttributes();
    for (unsigned b = 0; b < attributes.GetBucketCount(); b++)
        for (const auto* entry = attributes.GetBucket(b); entry; entry = entry->pNext)
            text += CSmallString(" ") + entry->key + "=\"" + entry->value + "\"";
    CCharArray inside;
    element->SaveToCharArray(inside);
    return text + (inside.IsEmpty() && element->GetText().IsEmpty() ? " />" : ">") + element->GetText() +
           CSmallString(inside.GetData(), (int)inside.GetSize());
}

// The commands and settings of log that trusted doesn't hold (the record
// is data, not a command: the trusted one is read instead).
Container::CArray<CSmallString> CommandsNotIn(const CXMLNode* log, const CXMLNode* trusted)
{
    Container::CMap<CSmallString, bool> known;
    for (unsigned i = 0; i < trusted->GetChildCount(); i++)
        known.SetAt(ElementText(trusted->GetChild(i)), true);
    Container::CArray<CSmallString> extra;
    for (unsigned i = 0; i < log->GetChildCount(); i++) {
        if (log->GetChild(i)->GetName() == CInstallRecord::GetElementName())
            continue;
        const CSmallString command = ElementText(log->GetChild(i));
        if (!known.FindValue(command))
            extra.Add(command);
    }
    return extra;
}

} // namespace

void CSinReader::UninstallFromScript(const char* logPath, bool ask, CSinProgressABC* progress, SUninstallRun* run)
{
    m_strSection = Section::Uninstall;
    m_eRunResult = RunFailed;
    LogLine("Uninstalling with %s", logPath);

    CSmallString text, why;
    CReleasePtr<CXMLDocument> log(LoadWholeLog(logPath, text, why));
    CSmallString folder(logPath);
    WinPath::RemoveFilename(logPath, folder.GetBuffer(folder.GetLength()));
    folder.ReleaseBuffer(-1);

    // Elevated, the copy that only administrators can write is followed;
    // what was added to the log beside the program is refused.
    Container::CArray<CSmallString> notInCopy;
    SUninstallRun local;
    SUninstallRun& info = run ? *run : local;
    CSmallString followed = text;
    if (log && IsProcessElevated())
        info.strCopy = FindLogCopy(folder, info.strEntryKey, info.ulView);
    if (!info.strCopy.IsEmpty()) {
        CSmallString copyText, copyWhy;
        CReleasePtr<CXMLDocument> trusted(IsLogCopyPath(info.strCopy) ? LoadWholeLog(info.strCopy, copyText, copyWhy)
                                                                      : nullptr);
        if (!trusted) {
            why.Format("the copy of it kept for administrators, %s, is missing or damaged", info.strCopy.GetText());
        } else if (copyText != text) {
            LogLine("%s differs from the copy kept for administrators (%s): the copy is followed", logPath,
                    info.strCopy.GetText());
            notInCopy = CommandsNotIn(log->FindNode(Section::Uninstall), trusted->FindNode(Section::Uninstall));
            log.Reset(trusted.Detach());
            followed = copyText;
        }
    }

    CInstallRecord record;
    const bool hasRecord = log && record.ReadFrom(log->FindNode(Section::Uninstall));
    // The installation's folder is the one its record names, where the log
    // was written; a log found anywhere else is not that installation's.
    if (why.IsEmpty() && hasRecord) {
        const CSmallString recorded = ResolvePath(record.GetFolder()), here = ResolvePath(folder);
        if (recorded.IsEmpty() || !WinPath::IsSameOrInside(recorded, here) || !WinPath::IsSameOrInside(here, recorded))
            why.Format("it records the installation in %s, not in the folder it is in", record.GetFolder().GetText());
        else
            folder = record.GetFolder();
    }
    if (!why.IsEmpty() || !log) {
        if (why.IsEmpty())
            why = "it can't be read";
        LogLine("Uninstall log refused: %s", why.GetText());
        CSmallString message;
        message.Format(CResString(IDS_UNINSTALL_DAMAGED), logPath, why.GetText());
        Error(message);
        return;
    }
    m_pDocument.Reset(log.Detach());
    m_arrNotInCopy = notInCopy;
    m_bLogTrusted = !info.strCopy.IsEmpty();
    info.bTrusted = m_bLogTrusted;
    info.header.strFolder = folder;
    WinPath::EndWithBackslash(info.header.strFolder);
    RunLoadedLog(hasRecord ? &record : nullptr, ask, true, progress, info, run ? &followed : nullptr);
}

void CSinReader::FinishUninstall(SUninstallRun& run, bool ask, bool openUrl, CSinProgressABC* progress)
{
    m_strSection = Section::Uninstall;
    m_eRunResult = RunFailed;
    const CSmallString saved = run.journal.GetFolder() + kSavedLog;
    LogLine("Finishing the interrupted uninstall of %s in %s with the log it saved, %s", run.header.strName.GetText(),
            run.header.strFolder.GetText(), saved.GetText());
    CSmallString text, why;
    CReleasePtr<CXMLDocument> log(LoadWholeLog(saved, text, why));
    if (!log) {
        LogLine("Uninstall log refused: %s", why.GetText());
        if (ask) {
            CSmallString message;
            message.Format(CResString(IDS_UNINSTALL_DAMAGED), saved.GetText(), why.GetText());
            Error(message);
        }
        return;
    }
    CInstallRecord record;
    const bool hasRecord = record.ReadFrom(log->FindNode(Section::Uninstall));
    m_pDocument.Reset(log.Detach());
    m_arrNotInCopy.RemoveAll();
    m_bLogTrusted = run.bTrusted;
    RunLoadedLog(hasRecord ? &record : nullptr, ask, openUrl, progress, run, nullptr);
}

void CSinReader::RunLoadedLog(const CInstallRecord* record, bool ask, bool openUrl, CSinProgressABC* progress,
                              SUninstallRun& run, const CSmallString* logText)
{
    m_bRemoved = false;
    m_strLeftBehind.Empty();
    CSmallString appName;
    GetInstallItem(Setting::AppName, appName);
    const CSmallString folder = WinPath::Normalise(run.header.strFolder);
    const CSmallString caption = GetUninstallCaption(appName);
    // One run at a time, of the application and in its folder.
    CRunLock runningApp, runningFolder;
    if (!runningApp.Take("application", appName) || !runningFolder.Take("folder", folder)) {
        TellInProgress(appName);
        m_eRunResult = RunInProgress;
        return;
    }
    // Only the registered uninstaller removes: a copy elsewhere, or one run
    // again after its installation went, would remove what isn't its own.
    // (An uninstall cut short, finished from its journal, was registered.)
    SInstalledProgram registered;
    if (m_bRequireRegistration && logText && !FindInstalledProgramAt(folder, registered)) {
        LogLine("No installed program is registered in %s", folder.GetText());
        if (!ask) {
            LogLine("Uninstall refused: this uninstaller's installation is not registered (unattended)");
            return;
        }
        CSmallString question;
        question.Format(CResString(IDS_UNREGISTERED_QUESTION), appName.GetText(), folder.GetText());
        if (KxMessageBox(nullptr, question, caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES) {
            LogLine("The user chose not to uninstall what is not registered");
            m_eRunResult = RunCancelled;
            return;
        }
        LogLine("The user chose to uninstall what is not registered");
        ask = false; // asked already
    }
    if (ask) {
        CSmallString question;
        question.Format(CResString(IDS_REMOVE_QUESTION), appName.GetText(), folder.GetText());
        if (KxMessageBox(nullptr, question, caption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
            LogLine("The user chose not to uninstall");
            m_eRunResult = RunCancelled;
            // An interrupted uninstall taken over stays for a later run.
            run.journal.Release();
            return;
        }
    }

    // Programs that hold the installation's files: closed, or nothing goes.
    if (m_pfnFolderInUseCheck) {
        const ERunResult inUse = m_pfnFolderInUseCheck(folder);
        if (inUse != RunDone) {
            LogLine("Nothing was removed");
            m_eRunResult = inUse;
            return;
        }
    }

    CSmallString unexpected;
    // Once the user has said yes, and before anything goes: a run cut
    // short is finished by the next one.
    if (logText) {
        run.header.strKind = kRunUninstall;
        run.header.strName = appName;
        const char* slash = strrchr(run.strEntryKey.GetText(), '\\');
        run.header.strApp = slash ? CSmallString(slash + 1) : appName;
        if (!RunCaught([&] { BeginUninstallRun(run, *logText); }, unexpected)) {
            LogLine("Unexpected error: %s", unexpected.GetText());
            CSmallString message;
            message.Format(CResString(IDS_UNINSTALL_STOPPED), unexpected.GetText());
            Error(message);
            EndUninstallRun(run);
            return;
        }
    }
    // The way back: an uninstall that stops short leaves the program
    // registered and its uninstaller in place.
    CRegistration registration;
    registration.Take(run.header.strFolder);
    if (progress)
        progress->OnRemovalStart(GetInstallStepCount());
    if (!RunCaught([&] { Uninstall(run.header.strFolder, record, progress, registration); }, unexpected)) {
        if (progress)
            progress->OnRemovalEnd();
        LogLine("Unexpected error: %s", unexpected.GetText());
        CSmallString message;
        message.Format(CResString(IDS_UNINSTALL_STOPPED), unexpected.GetText());
        GiveBackRegistration(registration, message);
        Error(message);
        m_eRunResult = RunFailed;
        return;
    }
    // The copy goes with the entry that names it.
    CRegKey entry;
    if (!run.strCopy.IsEmpty() &&
        entry.Open(HKEY_LOCAL_MACHINE, run.strEntryKey, KEY_READ | run.ulView) != ERROR_SUCCESS)
        RemoveLogCopy(run.strCopy);

    // An unattended uninstall opens no window, a browser included.
    CSmallString url;
    if (openUrl && GetInstallItem(Setting::UninstallUrl, url) && !url.IsEmpty()) {
        if (IsUnattended())
            LogLine("Not opened (unattended): %s", url.GetText());
        else
            GotoURL(url, SW_SHOWNORMAL);
    }
}

void CSinReader::GiveBackRegistration(CRegistration& registration, CSmallString& message)
{
    if (!registration.GiveBack())
        return;
    m_bKeptFileRemoved = false;
    CSmallString appName, stays;
    GetInstallItem(Setting::AppName, appName);
    stays.Format(CResString(IDS_UNINSTALL_STAYS), appName.GetText());
    message += stays;
}

void CSinReader::Uninstall(const CSmallString& folder, const CInstallRecord* record, CSinProgressABC* progress,
                           CRegistration& registration)
{
    m_eRunResult = RunDone;
    CSmallString app = folder;
    WinPath::EndWithBackslash(app);
    SetEnvironmentVariableA(Variable::App, app);
    CXMLNode* section = FindSection();
    if (!section)
        return;
    if (record)
        LogLine("The log records what the installation created: only that is removed");
    else
        LogLine("The log has no record of the installation: removals stay inside %s", app.GetText());
    CSafeRemover remover(app, record);
    remover.SetRecordTrusted(m_bLogTrusted);
    for (unsigned i = 0; i < m_arrNotInCopy.GetSize(); i++)
        remover.RefuseCommand(m_arrNotInCopy[i], "not in the uninstall information kept for administrators");
    remover.SetKeepFile(m_strKeepFile);
    remover.SetFinishAtRestart(MayFinishAtRestart(*this));
    ExecuteCommands(section, progress, nullptr, remover);
    remover.FinishFolders();
    remover.TellNotPutBack();
    m_arrKeptFolders = remover.GetKeptFolders();
    m_bKeptFileRemoved = remover.IsKeptFileRemoved();
    if (progress)
        progress->OnRemovalEnd();

    // What stays and why, told once: with the failures, or at the end by
    // the caller.
    CSmallString left;
    AddLeftBehind(left, IDS_LEFT_REFUSED, remover.GetRefused());
    AddLeftBehind(left, IDS_LEFT_KEPT_FOLDERS, remover.GetKeptFull());
    AddLeftBehind(left, IDS_LEFT_AT_RESTART, remover.GetLeftForRestart());
    // What the log may not remove is a fault of the log: the run says so.
    if (remover.GetViolationCount())
        m_eRunResult = RunFailed;
    if (!remover.GetFailed().IsEmpty()) {
        CSmallString message;
        message.Format(CResString(IDS_UNINSTALL_LEFT_OVER), ListForUser(remover.GetFailed()).GetText());
        message += left;
        GiveBackRegistration(registration, message);
        Error(message);
        m_eRunResult = RunFailed;
    } else {
        // An entry that still runs this uninstaller (renamed since the log
        // was written) would be a dead line in the installed-programs list.
        RemoveOrphanEntries(app, CSmallString());
        m_bRemoved = true;
        m_strLeftBehind = left;
        if (m_eRunResult == RunDone && !remover.GetLeftForRestart().IsEmpty()) {
            LogLine("%u items are removed at the next restart", remover.GetLeftForRestart().GetSize());
            m_eRunResult = RunRestartNeeded;
        }
    }
    LogLine("Uninstall %s", m_eRunResult == RunDone            ? "complete"
                            : m_eRunResult == RunRestartNeeded ? "complete once Windows restarts"
                                                               : "incomplete");
}

void CSinReader::RemoveKeptFile()
{
    if (m_bKeptFileRemoved)
        ::RemoveKeptFile(m_strKeepFile, m_arrKeptFolders);
}
