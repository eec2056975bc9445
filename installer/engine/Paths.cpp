// Paths of the script: %NAME% references and shortcut folders.
#include "Registry.h"
#include "ScriptVocabulary.h"
#include "ShortcutFolders.h"
#include "SinReader.h"
#include "SystemPaths.h"

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

void GetSpecialFolderPath(const char* folderName, char* buffer, DWORD size)
{
    folderName = FindShortcutFolder(folderName);
    if (!folderName) {
        buffer[0] = 0;
        return;
    }
    ReadShellFolder(folderName, buffer, size);
}
