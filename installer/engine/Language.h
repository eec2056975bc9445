// The language a run speaks: chosen among the translations its package (or
// its uninstall log) carries, and put in place before any window opens.
#pragma once

#include "SmallString.h"

class CXMLNode;

// The first child named name whose lang="..." serves code (as
// Translation::Choose rules), or null.
CXMLNode* FindInLanguage(CXMLNode* section, const char* name, const char* code);

// The user's UI language as a code ("de-DE"), empty when Windows names none.
CSmallString GetUserLanguage();

// Chooses from the <texts lang="..."> of section: forced (/LANG=), else the
// section's <language>, else the user's UI language; English (the
// program's own texts) where none serves. The chosen texts replace the
// string table's, and an Arabic or Hebrew one mirrors every window and
// message box the run opens. Returns the code spoken ("en" for English).
CSmallString ApplyLanguage(CXMLNode* section, const char* forced);

// The code ApplyLanguage chose; "en" before it runs.
const char* GetRunLanguage();
bool IsRunRightToLeft();

// Copies the chosen <texts> and a <language> naming it into an uninstall
// log's section, so that the uninstaller speaks as the installer did.
void RecordLanguage(CXMLNode* installSection, CXMLNode* logSection);
