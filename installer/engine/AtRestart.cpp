#include "AtRestart.h"

#include <windows.h>

#include "Exceptions.h"
#include "ScriptWords.h"
#include "SetupLog.h"
#include "SinReader.h"
#include "XMLNode.h"


namespace {
bool g_bAllowed = false;
bool g_bChosen = false;
unsigned g_uLeft = 0;

bool Schedule(const char* from, const char* to)
{
    const DWORD flags = MOVEFILE_DELAY_UNTIL_REBOOT | (to ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!MoveFileExA(from, to, flags)) {
        LogLine("Can't be left to the next restart: %s: %s", to ? to : from,
                GetLastErrorString((int)GetLastError()).GetText());
        return false;
    }
    g_uLeft++;
    return true;
}
} // namespace

void AllowFinishAtRestart(bool allow) { g_bAllowed = allow; }

bool MayFinishAtRestart(CSinReader& reader)
{
    if (g_bAllowed)
        return true;
    CSmallString text;
    if (!reader.GetInstallItem(Setting::FinishAtRestart, text))
        return false;
    // As the script's yes/no attributes read.
    return ReadsAsYes(text);
}

void ChooseFinishAtRestart() { g_bChosen = true; }

bool IsFinishAtRestartChosen() { return g_bChosen; }

bool ReplaceAtRestart(const char* from, const char* path)
{
    if (!Schedule(from, path))
        return false;
    LogLine("Replaced at the next restart: %s (the new file waits as %s)", path, from);
    return true;
}

bool RemoveAtRestart(const char* path)
{
    if (!Schedule(path, nullptr))
        return false;
    LogLine("Removed at the next restart: %s", path);
    return true;
}

unsigned GetLeftForRestart() { return g_uLeft; }
