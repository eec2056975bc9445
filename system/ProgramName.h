// What users call a program: the file description of its version
// resource ("Hello Editor"), as Task Manager shows it.
#pragma once

#include "SmallString.h"

// The file description in the program's first language, else its file
// name ("hello-editor.exe").
CSmallString GetProgramName(const char* path);
