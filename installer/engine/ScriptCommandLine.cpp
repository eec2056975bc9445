#include "ScriptCommandLine.h"

#include <windows.h>

#include "CommandText.h"
#include "ProgramPath.h"

namespace {

// The installer's environment, where %APP% is set too.
class CEnvironmentVariables : public CCommandVariablesABC
{
public:
    bool Find(const CSmallString& name, CSmallString& value) override
    {
        DWORD size = 260;
        for (int attempt = 0; attempt < 4; attempt++) {
            SetLastError(0);
            char* buffer = value.GetBuffer((int)size);
            const DWORD length = GetEnvironmentVariableA(name, buffer, size);
            if (length < size) {
                value.ReleaseBuffer((int)length);
                // An empty value reads as 0 too; only a missing one sets the error.
                return length > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND;
            }
            value.ReleaseBuffer(0);
            size = length + 1;
        }
        return false;
    }
};

} // namespace

CSmallString SProgramLine::BuildCommandLine() const
{
    CSmallString line = QuoteCommandProgram(strProgram);
    if (!strArguments.IsEmpty())
        line += CSmallString(" ") + strArguments;
    return line;
}

CSmallString ExpandScriptCommandLine(const char* text, bool apostrophesAreQuotes)
{
    CEnvironmentVariables environment;
    return ExpandCommandText(text, environment, apostrophesAreQuotes);
}

bool MakeRunCommandLine(const char* cmd, const char* parameters, SProgramLine& line, CSmallString& why)
{
    line.strArguments = ExpandScriptCommandLine(parameters, true);
    return FindProgram(cmd, line.strProgram, why);
}

bool MakeLaunchLine(const char* text, SProgramLine& line, CSmallString& why)
{
    const CSmallString expanded = ExpandScriptCommandLine(text, false);
    CSmallString program;
    line.strArguments = TakeCommandArgument(expanded, program);
    return FindProgram(program, line.strProgram, why);
}
