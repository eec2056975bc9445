// A foundation allocator (Memory.h) that counts what goes through it: tests
// look for leaks and walk every failure path with it, the benchmarks
// measure peak memory.
#pragma once

#include <cstddef>

// Installed for its lifetime, counting from zero. The foundation has one
// allocator, so only one may be installed at a time, and no block may cross
// its bounds: each is freed by the allocator that made it.
class CCountingAllocator
{
public:
    CCountingAllocator();
    ~CCountingAllocator();
    CCountingAllocator(const CCountingAllocator&) = delete;
    CCountingAllocator& operator=(const CCountingAllocator&) = delete;

    // Allocation number n (the first after the install is 0) fails, and
    // KxAlloc throws std::bad_alloc; -1 fails none.
    void FailAt(int n) { m_nFailAt = n; }
    int GetCalls() const { return m_nCalls; } // the failed one included
    int GetLiveBlocks() const { return m_nLiveBlocks; }
    size_t GetLiveBytes() const { return m_uLiveBytes; }
    size_t GetPeakBytes() const { return m_uPeakBytes; }

private:
    static void* Alloc(size_t size);
    static void Free(void* p);

    int m_nCalls;
    int m_nFailAt;
    int m_nLiveBlocks;
    size_t m_uLiveBytes;
    size_t m_uPeakBytes;
};
