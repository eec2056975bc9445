// What the remover leaves to the next restart: files that stay (in use)
// where the run may finish at restart, and the folders that only they keep
// from going.
#include "SafeRemover.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "AtRestart.h"
#include "Folders.h"
#include "SetupLog.h"
#include "WinPath.h"
#include "win32/Handles.h"

void CSafeRemover::CouldNotRemove(const CSmallString& path, const char* why)
{
    if (m_bAtRestart && RemoveAtRestart(path)) {
        m_arrAtRestart.Add(WinPath::Normalise(path));
        return;
    }
    Failed(path, why);
}

void CSafeRemover::NotEmpty(const CSmallString& folder, const char* why)
{
    // Whether only what goes at restart fills it is known once the log has run.
    if (m_bAtRestart) {
        m_arrFullFolders.Add({WinPath::Normalise(folder), why});
        return;
    }
    if (why)
        KeepFull(folder, why);
    else
        Failed(folder, "in use or not allowed");
}

void CSafeRemover::KeepFull(const CSmallString& folder, const char* why)
{
    LogLine("Kept %s: %s", folder.GetText(), why);
    m_arrKeptFull.Add(folder);
}

bool CSafeRemover::GoesAtRestart(const CSmallString& path) const
{
    for (unsigned i = 0; i < m_arrAtRestart.GetSize(); i++)
        if (m_arrAtRestart[i].IsSameNoCase(path))
            return true;
    return false;
}

void CSafeRemover::FinishFolders()
{
    // Deepest (longest) first: a folder's subfolders are judged before it.
    Container::CArray<SFullFolder> folders = m_arrFullFolders;
    m_arrFullFolders.RemoveAll();
    std::stable_sort(folders.GetData(), folders.GetData() + folders.GetSize(),
                     [](const SFullFolder& a, const SFullFolder& b) { return a.strPath.GetLength() > b.strPath.GetLength(); });
    const CSmallString keep = WinPath::Normalise(m_strKeep);
    for (unsigned i = 0; i < folders.GetSize(); i++) {
        const SFullFolder& folder = folders[i];
        if (!IsFolder(folder.strPath) || GoesAtRestart(folder.strPath))
            continue;
        bool onlyGoing = !m_arrAtRestart.IsEmpty();
        WIN32_FIND_DATAA fd;
        CFindHandle find;
        for (bool found = find.First(folder.strPath + "\\*", fd); found && onlyGoing; found = find.Next(fd)) {
            if (!strcmp(fd.cFileName, ".") || !strcmp(fd.cFileName, ".."))
                continue;
            const CSmallString child = folder.strPath + "\\" + fd.cFileName;
            onlyGoing = GoesAtRestart(child) || (!keep.IsEmpty() && child.IsSameNoCase(keep));
        }
        // The uninstaller's own file goes when it ends, long before the restart.
        if (onlyGoing && RemoveAtRestart(folder.strPath))
            m_arrAtRestart.Add(folder.strPath);
        else if (folder.pszKeptWhy)
            KeepFull(folder.strPath, folder.pszKeptWhy);
        else
            Failed(folder.strPath, "in use or not allowed");
    }
}
