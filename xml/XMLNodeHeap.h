// Memory for the nodes of a document being loaded. A script has thousands
// of small elements, and a heap block of its own for each costs more than
// building it; here they are cut from large blocks instead. Every node
// keeps its own count and lifetime: a block is freed once each node cut
// from it has been, and the heap has moved on to another block or ended.
#pragma once

#include <cstddef>

class CXMLNodeHeap
{
public:
    CXMLNodeHeap();
    ~CXMLNodeHeap();
    CXMLNodeHeap(const CXMLNodeHeap&) = delete;
    CXMLNodeHeap& operator=(const CXMLNodeHeap&) = delete;

    // size bytes cut from the current block; throws std::bad_alloc.
    void* Allocate(size_t size);
    // size bytes in a heap block of their own, for nodes made one by one.
    static void* AllocateAlone(size_t size);
    // Frees what either of the two gave.
    static void Free(void* p);

private:
    struct SBlock;

    void Retire();

    SBlock* m_pBlock; // the block being cut, or null
    char* m_pNext;
    char* m_pEnd;
};
