#include "Browser.h"

#include <windows.h>
#include <shellapi.h>

void GotoURL(const char* url, int showCommand)
{
    if (!url || !*url)
        return;
    ShellExecuteA(nullptr, "open", url, nullptr, nullptr, showCommand);
}
