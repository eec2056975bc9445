#include "Browser.h"

#include <windows.h>
#include <shellapi.h>

#include "win32/ComHandles.h"

void GotoURL(const char* url, int showCommand)
{
    if (!url || !*url)
        return;
    const CComInit com; // the shell may hand the URL to an extension
    ShellExecuteA(nullptr, "open", url, nullptr, nullptr, showCommand);
}
