// comctl32, loaded at run time rather than imported: it is no KnownDLL, so
// an import would be looked for beside the program before the DLL search
// could be restricted. Load it only after RestrictDllSearch.
#pragma once

#include <windows.h>
#include <commctrl.h>

// Loads it (once) and registers its window classes. False, with the last
// error set, when it can't be loaded.
bool InitialiseCommonControls();

// PropertySheetA. -1, with the last error set, when comctl32 can't be
// loaded.
INT_PTR ShowPropertySheet(LPCPROPSHEETHEADERA header);
