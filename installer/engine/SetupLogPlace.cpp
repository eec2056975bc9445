#include "SetupLogPlace.h"

#include <windows.h>

#include <cstring>

#include "Exceptions.h"
#include "Folders.h"
#include "SetupLog.h"
#include "WinPath.h"

CSmallString DefaultSetupLogStem(const char* appName, const char* kind)
{
    char temp[MAX_PATH + 1] = {0};
    GetTempPathA(MAX_PATH, temp);
    CSmallString name = appName && *appName ? appName : "kxsetup";
    // Whatever a file name can't hold becomes '_'.
    for (int i = 0; i < name.GetLength(); i++)
        if ((unsigned char)name.GetAt(i) < 0x20 || strchr("\\/:*?\"<>|", name.GetAt(i)))
            name.SetAt(i, '_');
    return CSmallString(temp) + name + "-" + kind;
}

bool LiesInFolder(const char* path, const char* folder)
{
    if (!path || !*path || !folder || !*folder)
        return false;
    char full[1024] = {0};
    const DWORD n = GetFullPathNameA(path, sizeof(full), full, nullptr);
    if (!n || n >= sizeof(full))
        return false;
    const CSmallString inner = ResolvePath(full), outer = ResolvePath(folder);
    return !inner.IsEmpty() && !outer.IsEmpty() && WinPath::IsSameOrInside(inner, outer);
}

bool MoveSetupLogOutOf(const char* destination, const char* appName)
{
    if (!g_setupLog.IsOpen() || !LiesInFolder(g_setupLog.GetPath(), destination))
        return false;
    const CSmallString was = g_setupLog.GetPath();
    if (!g_setupLog.Withdraw()) {
        LogLine("The setup log %s lies in the folder installed into and can't be moved: %s", was.GetText(),
                GetLastErrorString().GetText());
        return true;
    }
    const CSmallString stem = DefaultSetupLogStem(appName, "install");
    if (!g_setupLog.OpenFirstFree(stem))
        LogLine("No setup log is written: %s.log and the next names are taken by other files", stem.GetText());
    LogLine("The setup log was at %s, in the folder installed into: it goes on here, and that file was deleted",
            was.GetText());
    return true;
}
