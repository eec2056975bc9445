// The driver's commands: each takes its arguments (the command name first)
// and returns 0 on success, 1 when the expected thing did not happen, 2 on
// a usage error.
#pragma once

#include <string>
#include <vector>

int RunCommand(const std::vector<std::string>& args);

// One command per line; blank lines and lines starting with # are skipped.
// Stops at the first command that does not succeed.
int RunScript(const std::string& path);

void PrintUsage();
