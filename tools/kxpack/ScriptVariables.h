// %NAME% references in a script's texts. The installer replaces its own
// variables (Variable:: in ScriptWords.h) and the environment's; any other
// reference stays as written and sends a path or a command astray.
#pragma once

#include <string>
#include <vector>

struct SVariableFault
{
    std::string strReference; // as written: "%APPP%"
    std::string strWhy;       // what is wrong and what to write instead
};

// The references in text the installer would not replace. inDefaultPath:
// text is <default-path>'s, where %PROGRAM_FILES% alone is replaced.
std::vector<SVariableFault> FindVariableFaults(const char* text, bool inDefaultPath);
