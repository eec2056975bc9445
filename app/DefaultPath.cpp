#include "DefaultPath.h"

#include <cstring>

#include "EngineHelpers.h"

void ReplaceProgramFiles(CSmallString& path)
{
    static const char s_szProgramFiles[] = "%PROGRAM_FILES%";
    // Only touch the registry when the script asks for the folder.
    if (strstr(path, s_szProgramFiles))
        path.Replace(s_szProgramFiles, GetProgramFilesDirectory());
}
