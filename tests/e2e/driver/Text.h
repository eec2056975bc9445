// Small text helpers shared by the driver's commands.
#pragma once

#include <string>
#include <vector>

namespace Text {

// Splits a script line into arguments: blanks separate, double quotes group,
// a backslash escapes only a double quote (paths keep their backslashes).
std::vector<std::string> SplitArguments(const std::string& line);

// A pattern wrapped in slashes (/.../) is a regular expression searched in
// the text; anything else must occur in it as it stands.
bool Matches(const std::string& text, const std::string& pattern);

// Control characters written as \n, \r, \t, \0 or \xNN, so that a text
// prints on one line.
std::string OneLine(const std::string& text);

bool ParseNumber(const std::string& text, long& value);

} // namespace Text
