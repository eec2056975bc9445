#include "CountingAllocator.h"

#include <cstdlib>

#include "Memory.h"

namespace {

CCountingAllocator* g_pInstalled = nullptr;

// Each block starts with its size; 16 bytes keep malloc's alignment.
const size_t kHeader = 16;

} // namespace

CCountingAllocator::CCountingAllocator()
    : m_nCalls(0), m_nFailAt(-1), m_nLiveBlocks(0), m_uLiveBytes(0), m_uPeakBytes(0)
{
    if (g_pInstalled)
        abort();
    g_pInstalled = this;
    KxSetAllocator(Alloc, Free);
}

CCountingAllocator::~CCountingAllocator()
{
    KxSetAllocator(nullptr, nullptr);
    g_pInstalled = nullptr;
}

void* CCountingAllocator::Alloc(size_t size)
{
    CCountingAllocator& self = *g_pInstalled;
    if (self.m_nCalls++ == self.m_nFailAt || size > (size_t)-1 - kHeader)
        return nullptr;
    char* block = static_cast<char*>(malloc(kHeader + size));
    if (!block)
        return nullptr;
    *reinterpret_cast<size_t*>(block) = size;
    self.m_nLiveBlocks++;
    self.m_uLiveBytes += size;
    if (self.m_uLiveBytes > self.m_uPeakBytes)
        self.m_uPeakBytes = self.m_uLiveBytes;
    return block + kHeader;
}

void CCountingAllocator::Free(void* p)
{
    CCountingAllocator& self = *g_pInstalled;
    char* block = static_cast<char*>(p) - kHeader;
    self.m_nLiveBlocks--;
    self.m_uLiveBytes -= *reinterpret_cast<size_t*>(block);
    free(block);
}
