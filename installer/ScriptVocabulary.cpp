#include "ScriptVocabulary.h"

#include <cstring>

#include "Platform.h"
#include "SmallString.h"
#include "ScriptWords.h"

const SScriptCommand g_arrScriptCommands[] = {
#define KX_COMMAND_WORD(id, name, item) {Command::id, item},
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

const char* const g_arrShortcutFolders[] = {
#define KX_FOLDER_WORD(name) name,
    KX_SHORTCUT_FOLDERS(KX_FOLDER_WORD)
#undef KX_FOLDER_WORD
};
const unsigned g_uShortcutFolderCount = sizeof(g_arrShortcutFolders) / sizeof(g_arrShortcutFolders[0]);

namespace {

struct SAttribute
{
    const char* pszCommand;
    const char* pszName;
};

// Command::id names a command of the list, or this doesn't build.
const SAttribute g_arrAttributes[] = {
#define KX_ATTRIBUTE_WORD(command, id, name) {Command::command, Attr::command::id},
    KX_COMMAND_ATTRIBUTES(KX_ATTRIBUTE_WORD)
#undef KX_ATTRIBUTE_WORD
};

// The item's attributes: id for the engine; src= for settings and <file>
// (a file or folder) and text= for the other commands (a text), which the
// packer turns into the item.
unsigned ItemAttributes(const SScriptCommand* command, bool inScript, const char* names[3])
{
    if (command && !command->bTakesItem)
        return 0;
    names[0] = Attr::Id;
    if (!inScript)
        return 1;
    names[1] = !command || Mb::ICmp(command->pszName, Command::File) == 0 ? Attr::Src : Attr::Text;
    return 2;
}

} // namespace

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

unsigned ListAttributes(const SScriptCommand* command, bool inScript, const char** names, unsigned capacity)
{
    const char* item[3];
    const unsigned itemCount = ItemAttributes(command, inScript, item);
    unsigned count = 0;
    for (unsigned i = 0; i < itemCount && count < capacity; i++)
        names[count++] = item[i];
    for (const SAttribute& attribute : g_arrAttributes)
        if (command && count < capacity && strcmp(attribute.pszCommand, command->pszName) == 0)
            names[count++] = attribute.pszName;
    return count;
}

bool TakesAttribute(const SScriptCommand* command, const char* attribute, bool inScript)
{
    const char* item[3];
    const unsigned itemCount = ItemAttributes(command, inScript, item);
    for (unsigned i = 0; i < itemCount; i++)
        if (Mb::ICmp(attribute, item[i]) == 0)
            return true;
    for (const SAttribute& known : g_arrAttributes)
        if (command && strcmp(known.pszCommand, command->pszName) == 0 && Mb::ICmp(attribute, known.pszName) == 0)
            return true;
    return false;
}

const char* FindShortcutFolder(const char* name)
{
    for (unsigned i = 0; name && i < g_uShortcutFolderCount; i++)
        if (Mb::ICmp(name, g_arrShortcutFolders[i]) == 0)
            return g_arrShortcutFolders[i];
    return nullptr;
}

namespace {

// By EScope; unset has no word.
const char* const g_arrScopeWords[] = {"", ScopeWord::Machine, ScopeWord::User, ScopeWord::Choose};

} // namespace

bool ParseScope(const char* text, EScope& scope)
{
    CSmallString word(text ? text : "");
    word.TrimBoth();
    for (unsigned i = 0; i < sizeof(g_arrScopeWords) / sizeof(g_arrScopeWords[0]); i++)
        if (Mb::ICmp(word, g_arrScopeWords[i]) == 0) {
            scope = (EScope)i;
            return true;
        }
    return false;
}

const char* GetScopeName(EScope scope) { return g_arrScopeWords[scope]; }
