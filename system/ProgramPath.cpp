#include "ProgramPath.h"

#include <windows.h>

#include <cstring>

#include "Architecture.h"
#include "Exceptions.h"
#include "WinPath.h"

bool FindProgram(const char* program, CSmallString& fullPath, CSmallString& why)
{
    fullPath.Empty();
    if (!*program) {
        why = "no program is named";
        return false;
    }
    if (!WinPath::WhyNotPlainName(program)) {
        char system[MAX_PATH] = "";
        const UINT length = GetSystemDirectoryA(system, sizeof(system));
        if (length == 0 || length >= sizeof(system)) {
            why = GetLastErrorString();
            return false;
        }
        fullPath = CSmallString(system);
        WinPath::EndWithBackslash(fullPath);
        fullPath += program;
        if (!strchr(program, '.'))
            fullPath += ".exe";
    } else {
        fullPath = WinPath::Normalise(program);
        if (fullPath.IsEmpty()) {
            why.Format("%s is not a full path: give the program's full path (such as %%APP%%program.exe); "
                       "a bare file name is looked for in the system folder only",
                       program);
            return false;
        }
    }
    // A 64-bit application's system programs are the 64-bit ones.
    fullPath = ToNativeSystemPath(fullPath);
    const DWORD attributes = GetFileAttributesA(fullPath);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (WinPath::WhyNotPlainName(program))
            why = GetLastErrorString();
        else
            why.Format("there is no %s in the system folder", fullPath.GetText());
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        why = fullPath + " is a folder, not a program";
        return false;
    }
    return true;
}
