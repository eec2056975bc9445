#include "TestKnobs.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

void EndIfAsked(const char* point)
{
    static char s_szAsked[32];
    static unsigned s_uWhen = 0, s_uReached = 0;
    static bool s_bRead = false;
    if (!s_bRead) {
        s_bRead = true;
        const DWORD n = GetEnvironmentVariableA("KX_TEST_KILL", s_szAsked, sizeof(s_szAsked));
        if (!n || n >= sizeof(s_szAsked))
            s_szAsked[0] = 0;
        char* colon = strchr(s_szAsked, ':');
        s_uWhen = colon ? (unsigned)strtoul(colon + 1, nullptr, 10) : 1;
        if (colon)
            *colon = 0;
    }
    if (s_szAsked[0] && strcmp(s_szAsked, point) == 0 && ++s_uReached == s_uWhen)
        TerminateProcess(GetCurrentProcess(), 9);
}
