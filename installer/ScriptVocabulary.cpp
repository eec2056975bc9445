#include "ScriptVocabulary.h"

#include <cstring>

#include "Platform.h"

const SScriptCommand g_arrScriptCommands[] = {
    {"file", true},
    {"shortcut", false},
    {"association", false},
    {"reg-key", false},
    {"broadcast-message", true},
    {"remove-shortcut", false},
    {"remove-reg-key", false},
    {"remove-folder", false},
    {"register-dll", true},
    {"unregister-dll", true},
    {"run-command", false},
};
const unsigned g_uScriptCommandCount = sizeof(g_arrScriptCommands) / sizeof(g_arrScriptCommands[0]);

const char* const g_arrScriptSettings[] = {
    "app-name",
    "installer-caption",
    "default-path",
    "default-path-registry-name",
    "terms",
    "launch-exe",
    "install-cancel-url",
    "uninstaller",
    "uninstall-display-name",
    "uninstall-helplink",
    "uninstall-publisher",
    "uninstall-url-about",
    "uninstall-url-update",
    "uninstall-display-icon",
    "uninstall-url",
    "uninstall-key",
    "version",
    "logo",
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
