// The command lines the script starts programs with (run-command,
// launch-exe): its text with the installer's environment, %APP% included,
// and the program found by its full path.
#pragma once

#include "SmallString.h"

// text by ExpandCommandText, with the values of the environment.
CSmallString ExpandScriptCommandLine(const char* text, bool apostrophesAreQuotes);

struct SProgramLine
{
    CSmallString strProgram;   // full path, for CreateProcess's application name
    CSmallString strArguments; // expanded
    // "program" arguments
    CSmallString BuildCommandLine() const;
};

// run-command: cmd (a path, expanded already) found by FindProgram, its
// parameters expanded with apostrophes as quotes. False, with why, when
// the program can't be used (the arguments are set all the same).
bool MakeRunCommandLine(const char* cmd, const char* parameters, SProgramLine& line, CSmallString& why);

// launch-exe: the text expanded, its first argument the program (found by
// FindProgram), the rest its arguments as they stand.
bool MakeLaunchLine(const char* text, SProgramLine& line, CSmallString& why);
