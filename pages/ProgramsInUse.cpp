#include "ProgramsInUse.h"

#include "AtRestart.h"
#include "InUseDialog.h"
#include "ScriptWords.h"
#include "SetupLog.h"
#include "UserMessages.h"
#include "WizardState.h"
#include "resource.h"
#include "win32/ResString.h"

namespace {

bool g_bCloseApplications = false;
unsigned long g_ulUninstallLauncher = 0;

const char* AnswerName(int answer)
{
    return answer == IDC_IN_USE_CLOSE        ? "Close them"
           : answer == IDC_IN_USE_RETRY      ? "Retry"
           : answer == IDC_IN_USE_AT_RESTART ? "At restart"
                                             : "Cancel";
}

void LogFound(const char* folder, const CRunningPrograms& programs)
{
    LogLine("In use in %s (found by %s):", folder, programs.GetMethod());
    for (unsigned i = 0; i < programs.GetPrograms().GetSize(); i++) {
        const SRunningProgram& program = programs.GetPrograms()[i];
        LogLine("  %s (process %lu, %s)", program.strName.GetText(), program.ulProcessId,
                program.strPath.IsEmpty() ? "its program file unknown" : program.strPath.GetText());
    }
    for (unsigned i = 0; i < programs.GetHeldFiles().GetSize(); i++)
        LogLine("  %s, held by a program that can't be named", programs.GetHeldFiles()[i].GetText());
    if (programs.WasCut())
        LogLine("  (only the first %u files of the folder were looked at)", (unsigned)CRunningPrograms::kMaxFiles);
}

// Asks them to close; true when all ended.
bool CloseThem(CRunningPrograms& programs)
{
    const bool closed = programs.Close();
    for (unsigned i = 0; i < programs.GetClosed().GetSize(); i++)
        LogLine("Closed: %s", programs.GetClosed()[i].strName.GetText());
    if (!closed)
        LogLine("Asked to close, some are still running");
    return closed;
}

} // namespace

void SetCloseApplications(bool close)
{
    g_bCloseApplications = close;
}

EInUse SettleProgramsInUse(HWND owner, const char* caption, const char* folder, CRunningPrograms& programs)
{
    bool notClosed = false, closeTried = false;
    const bool atRestart = MayFinishAtRestart(g_reader);
    while (programs.Find(folder)) {
        LogFound(folder, programs);
        if (IsUnattended()) {
            // Closing is tried once: a program that stays after being asked
            // would be asked forever.
            const char* why = !g_bCloseApplications           ? "Not closed without /CLOSEAPPLICATIONS"
                              : programs.GetPrograms().IsEmpty() ? "No program to ask to close"
                              : closeTried ? "Still in use after asking them to close"
                                           : nullptr;
            if (why && atRestart) {
                LogLine("%s: what they hold is finished at the next restart", why);
                ChooseFinishAtRestart();
                return EInUse::Free;
            }
            if (why) {
                LogLine("%s: nothing was changed", why);
                return EInUse::InUse;
            }
            LogLine("Asking them to close (/CLOSEAPPLICATIONS)");
            closeTried = true;
            CloseThem(programs);
            continue;
        }
        LogLine("Message [%s]: %s", caption, DescribeProgramsInUse(folder, programs, notClosed).GetText());
        const int answer = AskAboutProgramsInUse(owner, caption, folder, programs, notClosed, atRestart);
        LogLine("Answer: %s", AnswerName(answer));
        if (answer == IDCANCEL)
            return EInUse::Cancelled;
        if (answer == IDC_IN_USE_AT_RESTART) {
            ChooseFinishAtRestart();
            return EInUse::Free;
        }
        notClosed = answer == IDC_IN_USE_CLOSE && !CloseThem(programs);
    }
    if (closeTried || !programs.GetClosed().IsEmpty())
        LogLine("Nothing holds the files in %s any more", folder);
    return EInUse::Free;
}

void OfferRestart(HWND owner, const char* caption, CRunningPrograms& programs)
{
    const Container::CArray<SRunningProgram>& closed = programs.GetClosed();
    if (closed.IsEmpty())
        return;
    if (IsUnattended()) {
        LogLine("The programs closed are not started again (unattended)");
        return;
    }
    CSmallString list, question;
    for (unsigned i = 0; i < closed.GetSize(); i++)
        list += CSmallString(i ? "\n- " : "- ") + closed[i].strName;
    question.Format(CResString(IDS_RESTART_QUESTION), list.GetText());
    if (KxMessageBox(owner, question, caption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    const unsigned started = programs.Restart();
    LogLine("Started again: %u", started);
    for (unsigned i = 0; i < programs.GetNotRestarted().GetSize(); i++)
        LogLine("Not started again: %s", programs.GetNotRestarted()[i].GetText());
}

void SetUninstallLauncher(unsigned long launcherId)
{
    g_ulUninstallLauncher = launcherId;
}

CSinReader::ERunResult CheckUninstallFolder(const char* folder)
{
    // Nothing is started again after an uninstall: the programs are gone.
    CRunningPrograms programs;
    programs.Exclude(g_ulUninstallLauncher);
    CSmallString appName;
    g_reader.GetShownAppName(appName);
    switch (SettleProgramsInUse(nullptr, appName, folder, programs)) {
    case EInUse::Free:
        return CSinReader::RunDone;
    case EInUse::Cancelled:
        return CSinReader::RunCancelled;
    default:
        return CSinReader::RunFileInUse;
    }
}
