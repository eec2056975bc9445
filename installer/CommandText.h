// Command lines made from the script's text (run-command's parameters,
// launch-exe). %NAME% references are replaced so that each value reaches
// the program as one piece of text, whatever it holds, by the rules
// CommandLineToArgvW reads a command line with. Portable, so that the rules
// are tested on both builds.
#pragma once

#include "SmallString.h"

// Gives the value of a %NAME% reference.
class CCommandVariablesABC
{
public:
    virtual ~CCommandVariablesABC() {}
    // False for a name it doesn't know: the reference then stays as written.
    virtual bool Find(const CSmallString& name, CSmallString& value) = 0;
};

// The script's text as a command line:
// - with apostrophesAreQuotes (run-command's parameters), the script's own
//   ' and \' are its double quotes;
// - doubled backslashes of the script's text are folded into one (a leading
//   \\ stays), and %NAME%\ after a value that ends in a backslash adds none;
// - a value inside quotes goes in with its quotes escaped (\") and the
//   backslashes before them, and before the closing quote, doubled; a value
//   outside quotes that holds a blank, a tab or a quote is quoted whole.
// Values are never folded or turned into quotes. An unknown %NAME% stays
// as written (its second % may start a reference), and so does %%.
CSmallString ExpandCommandText(const char* text, CCommandVariablesABC& variables, bool apostrophesAreQuotes);

// One argument as CommandLineToArgvW gives it back: as it is when it holds
// no blank, tab or quote, else quoted with the backslash rule; "" when empty.
CSmallString QuoteCommandArgument(const char* argument);

// A program's path as the first word of a command line: always quoted (it
// is read without escapes there, and a path holds no quote).
CSmallString QuoteCommandProgram(const char* path);

// The first argument of commandLine as CommandLineToArgvW reads the ones
// after the program's (quotes group, backslashes escape quotes); returns
// where the rest starts, past the blanks that follow.
const char* TakeCommandArgument(const char* commandLine, CSmallString& argument);
