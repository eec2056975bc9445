#include "ScriptVocabulary.h"

#include <cstring>

#include "Platform.h"
#include "ScriptWords.h"

const SScriptCommand g_arrScriptCommands[] = {
#define KX_COMMAND_WORD(id, name, item) {name, item},
    KX_SCRIPT_COMMANDS(KX_COMMAND_WORD)
#undef KX_COMMAND_WORD
};
const unsigned g_uScriptCommandCount = sizeof(g_arrScriptCommands) / sizeof(g_arrScriptCommands[0]);

const char* const g_arrScriptSettings[] = {
#define KX_SETTING_WORD(id, name) Setting::id,
    KX_SCRIPT_SETTINGS(KX_SETTING_WORD)
#undef KX_SETTING_WORD
};
const unsigned g_uScriptSettingCount = sizeof(g_arrScriptSettings) / sizeof(g_arrScriptSettings[0]);

const SScriptCommand* FindScriptCommand(const char* name)
{
    for (unsigned i = 0; i < g_uScriptCommandCount; i++)
        if (Mb::ICmp(name, g_arrScriptCommands[i].pszName) == 0)
            return &g_arrScriptCommands[i];
    return nullptr;
}

bool IsScriptSetting(const char* name)
{
    for (unsigned i = 0; i < g_uScriptSettingCount; i++)
        if (strcmp(name, g_arrScriptSettings[i]) == 0)
            return true;
    return false;
}
