// The uninstaller's side of <path>: one entry of PATH taken out, and only
// one the installation could have put there.
#include "SafeRemover.h"

#include "InstallRecord.h"
#include "Journal.h"
#include "PathList.h"
#include "Exceptions.h"
#include "SetupLog.h"
#include "SystemPaths.h"
#include "win32/Handles.h"

void CSafeRemover::RemovePathEntry(const char* key, const CSmallString& folder)
{
    const CSmallString what = CSmallString(key) + "\\Path: " + folder;
    if (!IsWrittenInside(folder))
        return Refuse(what, "a folder outside the installation's");
    if (m_pRecord && !m_pRecord->HasValue(CSmallString(key), "Path")) {
        LogLine("Kept %s in PATH: the installation did not add it", folder.GetText());
        return;
    }
    CSmallString subkey;
    const HKEY root = SplitRegistryKey(key, subkey);
    const SRegistryBefore now = CaptureRegistry(root, "", subkey, "Path");
    bool removed = false;
    const CSmallString changed = PathListRemove(RegistryText(now), folder, removed);
    if (!removed) {
        LogLine("Not present: %s", what.GetText());
        return;
    }
    CRegKey open;
    LONG rc = open.Open(root, subkey, KEY_SET_VALUE);
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(open, "Path", 0, now.dwType, reinterpret_cast<const BYTE*>(changed.GetText()),
                            (DWORD)changed.GetLength() + 1);
    if (rc != ERROR_SUCCESS)
        return Failed(what, GetLastErrorString((int)rc));
    BroadcastEnvironmentChange();
    LogLine("Removed %s", what.GetText());
}
