// run-command: start a program, collect what it prints, keep it in
// %APP%install.log.
#include "Commands.h"
#include "Exceptions.h"
#include "FileText.h"
#include "SpawnedProcess.h"
#include "UserMessages.h"
#include "XMLDocument.h"

bool RunCommand(CCommandRunner& runner, const CXMLNode* element)
{
    const CSmallString cmd = runner.Translated(element, "cmd");
    if (cmd.IsEmpty())
        return true;
    CSmallString parameters = runner.Translated(element, "parameters");
    bool stopOnFail = false;
    element->GetAttributeValue("stoponfail", stopOnFail);

    // Scripts write quotes as apostrophes, \' included.
    parameters.Replace("\\'", "'");
    parameters.Replace("'", "\"");
    const CSmallString commandLine = CSmallString("\"") + cmd + "\" " + parameters;

    CSmallString output;
    try {
        CSpawnedProcess process;
        process.Create(cmd, nullptr, commandLine, SW_HIDE);
        Sleep(100);
        for (;;) {
            if (process.Read(output))
                continue;
            Sleep(500);
            if (process.IsFinished()) {
                while (process.Read(output)) {
                }
                break;
            }
        }
    } catch (CBaseException* e) {
        if (stopOnFail) {
            CSmallString message;
            message.Format("Failed to run process %s with parameters %s because:\n%s", cmd.GetText(),
                           parameters.GetText(), e->GetError());
            Error(message);
        }
        e->Delete();
    }

    CSmallString log("%APP%\\install.log");
    runner.m_reader.TranslatePath(log);
    if (!WriteStringToFile(log, output, (unsigned)output.GetLength()) && stopOnFail) {
        CSmallString message;
        message.Format("Failed to run process %s with parameters %s", cmd.GetText(), parameters.GetText());
        Error(message);
    }
    return true;
}
