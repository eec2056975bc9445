// Installation: the install section run against a destination folder, all
// or nothing.
#include <new>

#include "Destination.h"
#include "WinPath.h"
#include "Caught.h"
#include "AtRestart.h"
#include "InstallSession.h"
#include "LogCopy.h"
#include "RunLock.h"
#include "SafeRemover.h"
#include "ScriptWords.h"
#include "SetupLog.h"
#include "SinReader.h"
#include "UserMessages.h"
#include "XMLDocument.h"
#include "resource.h"
#include "win32/ResString.h"

namespace {
void TellUnexpected(const char* why)
{
    LogLine("Unexpected error: %s", why);
    CSmallString message;
    message.Format(CResString(IDS_UNEXPECTED_ERROR), why);
    Error(message);
}
SRunHeader MakeRunHeader(CSinReader& reader, const CSmallString& folder)
{
    SRunHeader header;
    header.strKind = kRunInstall;
    reader.GetInstallItem(Setting::AppName, header.strName);
    header.strApp = GetUninstallKeyName(reader);
    if (header.strApp.IsEmpty())
        header.strApp = header.strName;
    header.strFolder = folder;
    return header;
}

} // namespace

bool CSinReader::Install(const CSmallString& destination, CSinProgressABC* progress)
{
    m_eRunResult = RunFailed;
    m_strSection = Section::Install;
    CSmallString folder = destination;
    WinPath::EndWithBackslash(folder);
    SetEnvironmentVariableA(Variable::App, folder);
    CXMLNode* section = FindSection();
    if (!section) {
        LogLine("The package holds no install section: nothing to do");
        return false;
    }
    LogLine("Installing into %s", folder.GetText());
    // One run per folder: another one's files would be undone with ours.
    CRunLock running;
    if (!running.Take("folder", WinPath::Normalise(folder))) {
        CSmallString appName;
        GetInstallItem(Setting::AppName, appName);
        TellInProgress(appName);
        m_eRunResult = RunInProgress;
        return false;
    }

    m_strOldLogCopy.Empty();
    CInstallSession session(*this, folder, progress);
    CSafeRemover remover(folder, nullptr);
    m_pSession = &session;
    EStepResult result = StepFailed;
    CSmallString why;
    const bool ran = RunCaught(
        [&] {
            // On the disk before anything changes: a run cut short is undone
            // by the next one.
            session.GetJournal().Begin(MakeRunHeader(*this, folder));
            result = session.Prepare();
            if (result == StepDone)
                result = ExecuteCommands(section, progress, &session, remover);
            // A package mended to pass its CRC could still have handed out
            // wrong bytes: its own checksum, at its end, tells.
            if (result == StepDone && !VerifyPackage()) {
                TellPackageDamaged(GetLastFailure());
                result = StepFailed;
            }
            if (result == StepDone)
                session.RemoveDropped();
            if (result == StepDone && !AddUninstall(session))
                result = StepFailed;
        },
        why);
    if (!ran) {
        TellUnexpected(why);
        result = StepFailed;
    }
    m_pSession = nullptr;

    if (result != StepDone) {
        LogLine(result == StepCancelled   ? "Installation cancelled: undoing it"
                : result == StepFileInUse ? "A file is in use: undoing the installation"
                                          : "Installation failed: undoing it");
        session.Rollback();
        m_eRunResult = result == StepCancelled ? RunCancelled : result == StepFileInUse ? RunFileInUse : RunFailed;
        return false;
    }
    // From here on the installation stands: a run cut short is finished,
    // not undone (the journal names the earlier copy, to go then too).
    session.GetJournal().MarkCommitted();
    if (!m_strOldLogCopy.IsEmpty())
        RemoveLogCopy(m_strOldLogCopy);
    session.Commit();
    session.RemoveEmptied();
    // An entry under an earlier display name that runs the same uninstaller
    // would stay behind as a second, dead entry.
    const CSmallString keyName = GetUninstallKeyName(*this);
    if (!keyName.IsEmpty())
        RemoveOrphanEntries(folder, keyName);
    if (GetLeftForRestart()) {
        LogLine("Installation complete (%llu bytes written); it finishes at the next restart (%u files)",
                session.GetBytesWritten(), GetLeftForRestart());
        m_eRunResult = RunRestartNeeded;
        return true;
    }
    LogLine("Installation complete (%llu bytes written)", session.GetBytesWritten());
    m_eRunResult = RunDone;
    return true;
}
