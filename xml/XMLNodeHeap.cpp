#include "XMLNodeHeap.h"

#include <new>

#include "Memory.h"

// Each allocation is preceded by a header naming its block (null for one
// of its own), so that Free needs nothing but the pointer.
struct CXMLNodeHeap::SBlock
{
    unsigned uLive; // allocations not yet freed
    bool bRetired;  // the heap cuts no more from it
};

namespace {

const size_t kAlign = 8;
const size_t kBlockBytes = 32 * 1024;

inline size_t Round(size_t n)
{
    return (n + kAlign - 1) & ~(kAlign - 1);
}

const size_t kHeader = Round(sizeof(void*));

} // namespace

CXMLNodeHeap::CXMLNodeHeap() : m_pBlock(nullptr), m_pNext(nullptr), m_pEnd(nullptr) {}

CXMLNodeHeap::~CXMLNodeHeap()
{
    Retire();
}

void CXMLNodeHeap::Retire()
{
    if (!m_pBlock)
        return;
    m_pBlock->bRetired = true;
    if (m_pBlock->uLive == 0)
        KxFree(m_pBlock);
    m_pBlock = nullptr;
    m_pNext = m_pEnd = nullptr;
}

void* CXMLNodeHeap::Allocate(size_t size)
{
    if (size > kBlockBytes)
        return AllocateAlone(size);
    const size_t need = kHeader + Round(size);
    if ((size_t)(m_pEnd - m_pNext) < need) {
        const size_t start = Round(sizeof(SBlock));
        char* raw = static_cast<char*>(KxAlloc(start + kBlockBytes + kHeader));
        Retire();
        m_pBlock = new (raw) SBlock{0, false};
        m_pNext = raw + start;
        m_pEnd = m_pNext + kBlockBytes + kHeader;
    }
    char* p = m_pNext;
    m_pNext += need;
    *reinterpret_cast<SBlock**>(p) = m_pBlock;
    m_pBlock->uLive++;
    return p + kHeader;
}

void* CXMLNodeHeap::AllocateAlone(size_t size)
{
    if (size > (size_t)-1 - kHeader)
        throw std::bad_alloc();
    char* p = static_cast<char*>(KxAlloc(kHeader + size));
    *reinterpret_cast<SBlock**>(p) = nullptr;
    return p + kHeader;
}

void CXMLNodeHeap::Free(void* p)
{
    if (!p)
        return;
    char* header = static_cast<char*>(p) - kHeader;
    SBlock* block = *reinterpret_cast<SBlock**>(header);
    if (!block)
        KxFree(header);
    else if (--block->uLive == 0 && block->bRetired)
        KxFree(block);
}
