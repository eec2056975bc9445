// The words of the install script: the commands the engine runs, the
// attributes each reads, the named settings other parts read and the
// shortcut folders. Shared by the engine and the packer.
#pragma once

struct SScriptCommand
{
    const char* pszName;
    bool bTakesItem; // its `id` names a package item (required)
};

extern const SScriptCommand g_arrScriptCommands[];
extern const unsigned g_uScriptCommandCount;

extern const char* const g_arrScriptSettings[];
extern const unsigned g_uScriptSettingCount;

extern const char* const g_arrShortcutFolders[];
extern const unsigned g_uShortcutFolderCount;

// Command names compare without regard to case, as the engine does.
const SScriptCommand* FindScriptCommand(const char* name);
// Settings are looked up by exact name.
bool IsScriptSetting(const char* name);

// Whether command (null: any setting) reads the attribute (any case, as
// the reader compares them). inScript adds what only the packer reads in
// an install script: src= and text=, which become the item.
bool TakesAttribute(const SScriptCommand* command, const char* attribute, bool inScript);
// The attributes it takes, at most capacity of them; returns how many.
unsigned ListAttributes(const SScriptCommand* command, bool inScript, const char** names, unsigned capacity);

// The folder's spelling in the list (any case matches, as registry value
// names do), or null for a name that is not a shortcut folder.
const char* FindShortcutFolder(const char* name);

// Who an installation is for (the scope setting). Unset: as installers
// without it always were, machine-wide but the shortcuts the installing
// user's. Machine: every user of the computer. User: the user who
// installs, without administrator rights. Choose: either, as the user (or
// a switch) chooses; a run installs one of the other two.
enum EScope
{
    ScopeUnset,
    ScopeMachine,
    ScopeUser,
    ScopeChoose
};
// "machine", "user" or "choose" in any case, blanks around ignored; empty
// is unset. False for any other text.
bool ParseScope(const char* text, EScope& scope);
const char* GetScopeName(EScope scope);
