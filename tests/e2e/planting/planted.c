/* A DLL someone planted beside a program, under a system DLL's name
   (version.dll, uxtheme.dll, msimg32.dll): each time it is loaded it adds
   a line to C:\planted-loads.txt,

       static|dynamic <its own path> <the program's path>

   "static" when it came in as an import at the process's start, "dynamic"
   when something loaded it later by name. scripts/e2e.sh compiles it. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    char dll[MAX_PATH + 1] = {0}, program[MAX_PATH + 1] = {0}, line[2 * MAX_PATH + 32];
    HANDLE file;
    DWORD length, written;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    GetModuleFileNameA(self, dll, MAX_PATH);
    GetModuleFileNameA(NULL, program, MAX_PATH);
    /* The loader passes a non-null reserved for the imports it resolves
       at start, null for LoadLibrary. */
    length = (DWORD)wsprintfA(line, "%s %s %s\r\n", reserved ? "static" : "dynamic", dll, program);
    file = CreateFileA("C:\\planted-loads.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        WriteFile(file, line, length, &written, NULL);
        CloseHandle(file);
    }
    return TRUE;
}

/* Wine's own user32 imports version.dll and calls these as it starts: they
   are handed on to the system's copy, so that a program that loads this
   DLL runs on and can be watched. */
static FARPROC SystemVersionDll(const char* name)
{
    static HMODULE s_module;
    if (!s_module) {
        char path[MAX_PATH + 16];
        UINT length = GetSystemDirectoryA(path, MAX_PATH);
        if (!length || length >= MAX_PATH)
            return NULL;
        lstrcatA(path, "\\version.dll");
        s_module = LoadLibraryA(path);
    }
    return s_module ? GetProcAddress(s_module, name) : NULL;
}

typedef DWORD(WINAPI* SizeFn)(LPCWSTR, LPDWORD);
typedef BOOL(WINAPI* InfoFn)(LPCWSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* QueryFn)(LPCVOID, LPCWSTR, LPVOID*, PUINT);

DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR file, LPDWORD handle)
{
    SizeFn real = (SizeFn)(void*)SystemVersionDll("GetFileVersionInfoSizeW");
    return real ? real(file, handle) : 0;
}

BOOL WINAPI GetFileVersionInfoW(LPCWSTR file, DWORD handle, DWORD size, LPVOID data)
{
    InfoFn real = (InfoFn)(void*)SystemVersionDll("GetFileVersionInfoW");
    return real ? real(file, handle, size, data) : FALSE;
}

BOOL WINAPI VerQueryValueW(LPCVOID block, LPCWSTR sub, LPVOID* out, PUINT length)
{
    QueryFn real = (QueryFn)(void*)SystemVersionDll("VerQueryValueW");
    return real ? real(block, sub, out, length) : FALSE;
}
