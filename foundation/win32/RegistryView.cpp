#include "Handles.h"

namespace {

REGSAM g_samApplicationView = 0;

// HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE...: not keys opened by the program,
// whose view was chosen when they were opened.
bool IsPredefinedKey(HKEY root)
{
    return ((ULONG_PTR)root & 0xFFFFFFF0) == 0x80000000;
}

} // namespace

void SetApplicationRegistryView(REGSAM view) { g_samApplicationView = view; }

REGSAM GetApplicationRegistryView() { return g_samApplicationView; }

REGSAM WithApplicationView(HKEY root, REGSAM access)
{
    if (!IsPredefinedKey(root) || (access & (KEY_WOW64_32KEY | KEY_WOW64_64KEY)))
        return access;
    return access | g_samApplicationView;
}
