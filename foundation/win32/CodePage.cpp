#include <windows.h>

#include "Platform.h"

namespace {
// 0: not asked yet. Threads racing here write the same answer.
volatile LONG g_nUtf8 = 0;
} // namespace

bool Mb::IsUtf8()
{
    if (g_nUtf8 == 0)
        g_nUtf8 = GetACP() == CP_UTF8 ? 1 : -1;
    return g_nUtf8 > 0;
}
