// Paths of the script: %NAME% references and shortcut folders.
#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "InstallScope.h"
#include "Registry.h"
#include "ScriptVocabulary.h"
#include "ScriptWords.h"
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
    // Every user's folders: by their own names, and for a machine-wide
    // installation by the user's names too.
    static const struct
    {
        const char* pszUsers;
        const char* pszCommon;
        int nFolder;
    } s_common[] = {{ShortcutFolder::Desktop, ShortcutFolder::CommonDesktop, CSIDL_COMMON_DESKTOPDIRECTORY},
                    {ShortcutFolder::Programs, ShortcutFolder::CommonPrograms, CSIDL_COMMON_PROGRAMS},
                    {ShortcutFolder::StartMenu, ShortcutFolder::CommonStartMenu, CSIDL_COMMON_STARTMENU},
                    {ShortcutFolder::Startup, ShortcutFolder::CommonStartup, CSIDL_COMMON_STARTUP}};
    for (const auto& folder : s_common) {
        if (strcmp(folderName, folder.pszCommon) != 0 &&
            (GetInstallScope() != ScopeMachine || strcmp(folderName, folder.pszUsers) != 0))
            continue;
        char path[MAX_PATH] = "";
        if (SUCCEEDED(SHGetFolderPathA(nullptr, folder.nFolder, nullptr, SHGFP_TYPE_CURRENT, path)) &&
            strlen(path) < size)
            strcpy(buffer, path);
        return;
    }
    ReadShellFolder(folderName, buffer, size);
}
