// The one allocator behind the foundation's containers and strings, so that
// tests can poison, count and fail allocations on demand.
#pragma once

#include <cstddef>

// Allocates size bytes; throws std::bad_alloc when that fails.
void* KxAlloc(size_t size);
void KxFree(void* p);

// A test may install its own pair; null restores the C library's.
typedef void* (*KxAllocFn)(size_t);
typedef void (*KxFreeFn)(void*);
void KxSetAllocator(KxAllocFn alloc, KxFreeFn free);

// Bytes for count items of size each, or throws std::bad_alloc on overflow.
size_t KxArrayBytes(size_t count, size_t size);
