// Loading a script into the program's own reader, as start-up does.
#pragma once

#include <string>

// Replaces the script of g_reader by script (no items).
void LoadScriptIntoGlobalReader(const std::string& script);
