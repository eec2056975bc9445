// run-command: start a program, collect what it prints, keep it in
// %APP%install.log. The wizard stays responsive meanwhile: Cancel stops the
// program, and a `timeout` (seconds) stops one that takes too long.
#include "Commands.h"
#include "ScriptWords.h"
#include "Caught.h"
#include "Folders.h"
#include "SetupLog.h"
#include "SinProgress.h"
#include "ScriptCommandLine.h"
#include "SpawnedProcess.h"
#include "SuccessCodes.h"
#include "UserMessages.h"
#include "WinPath.h"
#include "XMLDocument.h"
#include "resource.h"
#include "win32/ResString.h"

namespace {

enum EOutcome
{
    Finished,
    NotStarted,
    TimedOut,
    Cancelled,
};

// Runs the program to its end, or until the user or the timeout stops it.
EOutcome Run(CCommandRunner& runner, const SProgramLine& line, unsigned timeoutSeconds, CSmallString& output,
             unsigned long& exitCode, CSmallString& why)
{
    CSpawnedProcess process;
    if (!RunCaught([&] { process.Create(line.strProgram, nullptr, line.BuildCommandLine(), SW_HIDE); }, why))
        return NotStarted;
    const DWORD start = GetTickCount();
    for (;;) {
        while (process.Read(output)) {
        }
        if (process.IsFinished()) {
            while (process.Read(output)) {
            }
            exitCode = process.GetExitCode();
            LogLine("Command ended with exit code %lu", exitCode);
            return Finished;
        }
        if (!runner.KeepGoing()) {
            process.Terminate();
            LogLine("Command stopped: the user cancelled the installation");
            return Cancelled;
        }
        if (timeoutSeconds && GetTickCount() - start >= timeoutSeconds * 1000u) {
            process.Terminate();
            LogLine("Command stopped after %u seconds (its timeout)", timeoutSeconds);
            return TimedOut;
        }
        // Wakes for the program's end or for a window message to pump.
        HANDLE handle = process.GetProcessHandle();
        MsgWaitForMultipleObjects(1, &handle, FALSE, 50, QS_ALLINPUT);
    }
}

} // namespace

bool DoRunCommand(CCommandRunner& runner, const CXMLNode* element)
{
    // The program is a path; the parameters are a command line, where the
    // script's apostrophes are quotes and values are passed whole.
    const CSmallString cmd = runner.Translated(element, Attr::RunCommand::Cmd);
    if (cmd.IsEmpty())
        return true;
    bool stopOnFail = false;
    element->GetAttributeValue(Attr::RunCommand::StopOnFail, stopOnFail);
    unsigned timeout = 0;
    element->GetAttributeValue(Attr::RunCommand::Timeout, timeout);
    // A prerequisite judged by its exit code: while installing, a failure
    // stops the installation and undoes it. An uninstall goes on.
    Container::CArray<unsigned long> success;
    CSmallString notJudged;
    const char* failOnExit = element->GetAttributeValue(Attr::RunCommand::FailOnExit);
    const bool judged = failOnExit && runner.m_pSession && ParseSuccessCodes(failOnExit, success, notJudged);
    if (failOnExit && runner.m_pSession && !judged)
        LogLine("The command's exit code is not judged: fail-on-exit: %s", notJudged.GetText());
    unsigned long exitCode = 0;

    SProgramLine line;
    CSmallString output, why;
    EOutcome outcome = NotStarted;
    if (MakeRunCommandLine(cmd, CCommandRunner::Text(element, Attr::RunCommand::Parameters), line, why)) {
        LogLine("Running %s", line.BuildCommandLine().GetText());
        if (runner.m_pProgress)
            runner.m_pProgress->OnProgramRunning(WinPath::GetFilename(line.strProgram));
        outcome = Run(runner, line, timeout, output, exitCode, why);
        if (runner.m_pProgress)
            runner.m_pProgress->OnProgramRunning(nullptr);
    }
    const CSmallString& parameters = line.strArguments;
    if (outcome == Cancelled)
        return runner.Stop(StepCancelled);
    if (outcome == NotStarted) {
        LogLine("Command did not start: %s", why.GetText());
        if (stopOnFail) {
            CSmallString message;
            message.Format("Failed to run process %s with parameters %s because:\n%s", cmd.GetText(),
                           parameters.GetText(), why.GetText());
            Error(message);
        }
    } else if (outcome == TimedOut && stopOnFail) {
        CSmallString message;
        message.Format(CResString(IDS_COMMAND_TIMED_OUT), cmd.GetText(), timeout);
        Error(message);
    }

    CSmallString log = CSmallString(Variable::AppReference) + "\\install.log";
    runner.m_reader.TranslatePath(log);
    // An earlier one is set aside, so that the undo can bring it back.
    CSmallString backup;
    if (runner.m_pSession) {
        DWORD error = 0;
        if (DoesFileExist(log) && !runner.m_pSession->GetJournal().SetAside(log, backup, error))
            backup.Empty();
        runner.m_pSession->GetJournal().BeforeFile(log, backup);
    }
    // Made new: a link planted at the name is removed, never written through.
    const bool logged = WriteNewFile(log, output.GetText(), (unsigned)output.GetLength());
    if (logged && runner.m_pSession)
        runner.m_pSession->NoteFile(log, backup);
    else if (!logged && !backup.IsEmpty())
        MoveFileExA(backup, log, MOVEFILE_COPY_ALLOWED);
    if (!logged && stopOnFail) {
        CSmallString message;
        message.Format("Failed to run process %s with parameters %s", cmd.GetText(), parameters.GetText());
        Error(message);
    }
    if (!judged || (outcome == Finished && IsSuccessCode(success, exitCode)))
        return true;
    // Told above when it did not start or ran out of time, unless the
    // script asked for no message.
    if (outcome == Finished) {
        LogLine("The installation stops: %s ended with exit code %lu, which fail-on-exit counts as a failure; "
                "what it printed:\r\n%s",
                cmd.GetText(), exitCode, output.GetText());
        CSmallString message;
        message.Format(CResString(IDS_COMMAND_FAILED), cmd.GetText(), exitCode);
        Error(message);
    } else {
        LogLine("The installation stops: %s did not run to its end, and fail-on-exit asks that it succeed",
                cmd.GetText());
        CSmallString message;
        if (outcome == TimedOut)
            message.Format(CResString(IDS_COMMAND_TIMED_OUT), cmd.GetText(), timeout);
        else
            message.Format("Failed to run process %s with parameters %s because:\n%s", cmd.GetText(),
                           parameters.GetText(), why.GetText());
        if (!stopOnFail)
            Error(message);
    }
    return runner.Stop(StepFailed);
}
