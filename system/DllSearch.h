// Where the process looks for a DLL named without a path. Windows looks in
// the program's own folder first for any DLL that is not a KnownDLL, so a
// version.dll planted beside setup.exe in a downloads folder would run with
// the installer's rights.
#pragma once

#include "SmallString.h"

enum class EDllSearch
{
    SystemFolder,    // the system folder only (Windows 7 with KB2533623, 8 and later)
    NoCurrentFolder, // only the current folder dropped: the program's own is still searched
    Unrestricted,
};

// Restricts the search as far as this system allows. Where it could not be
// restricted to the system folder, it also preloads (below) at once. Call
// it first thing, before anything loads a DLL.
EDllSearch RestrictDllSearch();

// Loads the DLLs that the system's own DLLs load by name on demand (visual
// styles, alpha blending, version resources) by their path in the system
// folder, so that those later loads find them loaded. That covers what the
// restriction misses: every load where it could not be made, and, under
// Wine, imports that a system DLL loads on first use along the original
// search path, which windows and message boxes bring. Call it before the
// first window; once is enough.
void PreloadWindowDlls();

// What RestrictDllSearch achieved.
EDllSearch GetDllSearch();

// The full path of a DLL in the system folder; empty when that folder
// can't be found.
CSmallString SystemFolderDll(const char* name);

// What to hand LoadLibrary for a system DLL that is no KnownDLL: its bare
// name where the search is restricted (so that a manifest's side-by-side
// redirection still applies), else SystemFolderDll.
CSmallString SystemDllPath(const char* name);
