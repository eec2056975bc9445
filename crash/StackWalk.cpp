#include "StackWalk.h"

static bool IsReadableProtection(DWORD protect)
{
    if (protect & (PAGE_GUARD | PAGE_NOACCESS))
        return false;
    return (protect & (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE |
                       PAGE_EXECUTE_WRITECOPY)) != 0;
}

bool IsReadableMemory(DWORD address, DWORD size)
{
    if (!address || address + size < address)
        return false;
    // The range may cross into a neighbouring region with other rights.
    DWORD at = address;
    const DWORD end = address + size;
    while (at < end) {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof(region)) != sizeof(region))
            return false;
        if (region.State != MEM_COMMIT || !IsReadableProtection(region.Protect))
            return false;
        const DWORD regionEnd = (DWORD)(ULONG_PTR)region.BaseAddress + (DWORD)region.RegionSize;
        if (regionEnd <= at)
            return false;
        at = regionEnd;
    }
    return true;
}

bool IsCodeAddress(DWORD address)
{
    MEMORY_BASIC_INFORMATION region;
    if (!address || VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof(region)) != sizeof(region))
        return false;
    if (region.State != MEM_COMMIT || region.Type != MEM_IMAGE)
        return false;
    return (region.Protect & (PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY)) != 0;
}

unsigned WalkFrames(DWORD eip, DWORD ebp, DWORD* addresses, unsigned max)
{
    unsigned count = 0;
    if (count < max)
        addresses[count++] = eip;
    // Each frame: [ebp] = caller's ebp, [ebp + 4] = return address.
    while (count < max && ebp && (ebp & 3) == 0 && IsReadableMemory(ebp, 8)) {
        const DWORD* frame = reinterpret_cast<const DWORD*>(ebp);
        const DWORD caller = frame[0];
        const DWORD returnAddress = frame[1];
        if (!returnAddress)
            break;
        addresses[count++] = returnAddress;
        // Frames only go up the stack; anything else is a loop or garbage.
        if (caller <= ebp)
            break;
        ebp = caller;
    }
    return count;
}
