#include "DestinationHelpers.h"

#include <windows.h>

#include "WizardState.h"
#include "Destination.h"
#include "EngineHelpers.h"
#include "FindFileIter.h"
#include "SinReader.h"

CSmallString GetDefaultPath() { return ProposeDestination(g_reader); }

bool IsFolderOccupied(const char* folder)
{
    // An empty name would search the current folder.
    if (!folder || !*folder)
        return false;
    CSmallString pattern(folder);
    CheckPath(pattern);
    pattern += "*.*";
    CFindFileIter files;
    for (bool found = files.FindFiles(pattern); found; found = files.Next())
        if (!files.IsDots())
            return true;
    // Not found, no more files, bad name, unreachable share... or any other
    // failure: nothing we could see would be overwritten.
    return false;
}
