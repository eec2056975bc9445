/* show-args: prints the command line it was started with and then each
 * argument as CommandLineToArgvW reads it, "[argument]" a line, and adds
 * the same to <its own file>.txt, so that a test sees exactly what a
 * program received, and whether it ran at all. Built by the end-to-end run. */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <wchar.h>

static void Put(FILE* log, const char* before, const wchar_t* text)
{
    char utf8[8192];
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), NULL, NULL);
    printf("%s[%s]\r\n", before, utf8);
    if (log)
        fprintf(log, "%s[%s]\r\n", before, utf8);
}

int main(void)
{
    wchar_t path[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    wcscpy(path + length, L".txt");
    FILE* log = _wfopen(path, L"ab");
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    Put(log, "line ", GetCommandLineW());
    for (int i = 1; argv && i < count; i++)
        Put(log, "", argv[i]);
    if (log)
        fclose(log);
    return 0;
}
