// Path helpers of the engine: environment expansion, folder names and the
// Program Files folder.
#include "EngineHelpers.h"
#include "SinReader.h"

CSmallString ExpandEnvironment(const char* text)
{
    // Ask for the size the system needs rather than cutting a long path:
    // a cut path would write or delete in the wrong place.
    CSmallString result;
    DWORD size = 520;
    for (int attempt = 0; attempt < 4; attempt++) {
        char* buffer = result.GetBuffer((int)size);
        const DWORD needed = ExpandEnvironmentStringsA(text, buffer, size);
        if (needed == 0) {
            result.ReleaseBuffer(0);
            return CSmallString(text);
        }
        if (needed <= size) {
            result.ReleaseBuffer(-1);
            return result;
        }
        size = needed + 1;
    }
    result.ReleaseBuffer(0);
    return CSmallString(text);
}

void CSinReader::TranslatePath(CSmallString& path)
{
    path = ExpandEnvironment(path);
    // "%APP%\x" doubles the backslash APP ends with; fold it, but keep the
    // leading pair of a network path (\\server\share).
    if (path.GetLength() > 2 && path.GetAt(0) == '\\' && path.GetAt(1) == '\\' && path.GetAt(2) != '\\') {
        CSmallString rest = path.Mid(2, path.GetLength());
        rest.Replace("\\\\", "\\");
        path = CSmallString("\\\\") + rest;
    } else {
        path.Replace("\\\\", "\\");
    }
}

void RemoveFilename(const char* source, char* destination)
{
    const char* cut = nullptr;
    for (const char* p = source; *p; p++)
        if (*p == '\\' || *p == '/')
            cut = p + 1;
    const size_t len = cut ? (size_t)(cut - source) : 0;
    memmove(destination, source, len);
    destination[len] = 0;
}

void CheckPath(CSmallString& path)
{
    const int len = path.GetLength();
    if (len && path.GetAt(len - 1) != '\\')
        path += '\\';
}

CSmallString GetProgramFilesDirectory()
{
    static const char s_szKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
    CSmallString folder = ReadRegistryText(HKEY_LOCAL_MACHINE, s_szKey, "ProgramFilesPath");
    if (!folder.IsEmpty())
        folder = ExpandEnvironment(folder);
    else
        folder = ReadRegistryText(HKEY_LOCAL_MACHINE, s_szKey, "ProgramFilesDir");
    // Used when the registry has no answer.
    if (folder.IsEmpty())
        folder = "C:\\Program Files";
    CheckPath(folder);
    return folder;
}
