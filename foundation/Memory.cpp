#include "Memory.h"

#include <cstdlib>
#include <new>

static KxAllocFn g_pfnAlloc = nullptr;
static KxFreeFn g_pfnFree = nullptr;

void* KxAlloc(size_t size)
{
    void* p = g_pfnAlloc ? g_pfnAlloc(size) : malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}

void KxFree(void* p)
{
    if (!p)
        return;
    if (g_pfnFree)
        g_pfnFree(p);
    else
        free(p);
}

void KxSetAllocator(KxAllocFn alloc, KxFreeFn free)
{
    g_pfnAlloc = alloc;
    g_pfnFree = free;
}

size_t KxArrayBytes(size_t count, size_t size)
{
    if (size && count > (size_t)-1 / size)
        throw std::bad_alloc();
    return count * size;
}
