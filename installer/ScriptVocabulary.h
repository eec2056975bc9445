// The words of the install script: the commands the engine runs and the
// named settings other parts read. Shared by the engine and the packer.
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

// Command names compare without regard to case, as the engine does.
const SScriptCommand* FindScriptCommand(const char* name);
// Settings are looked up by exact name.
bool IsScriptSetting(const char* name);
