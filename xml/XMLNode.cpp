#include "XMLNode.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "Platform.h"
#include "XMLKeyHash.h"
#include "XMLNodeHeap.h"

const char* const g_pcszPathDelimiter = "|";

namespace {

// strtoul(text, 0, 10) with a 32-bit unsigned long, as the program always
// had it: blanks and a sign first, negation modulo 2^32, overflow clamped.
unsigned ParseUnsigned32(const char* text)
{
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        p++;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    unsigned long long value = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        value = value * 10 + (unsigned)(*p - '0');
        if (value > 0xFFFFFFFFull)
            return 0xFFFFFFFFu;
    }
    return negative ? (unsigned)(0 - value) : (unsigned)value;
}

inline const char* OrEmpty(const char* s) { return s ? s : ""; }

} // namespace

void CCharArray::AppendText(const char* text)
{
    if (text)
        Append(text, (unsigned)strlen(text));
}

void CCharArray::AppendTabs(unsigned count)
{
    if (count)
        InsertAt(GetSize(), '\t', count);
}

void* CXMLNode::operator new(size_t size) { return CXMLNodeHeap::AllocateAlone(size); }
void CXMLNode::operator delete(void* p) { CXMLNodeHeap::Free(p); }

void* CXMLNode::operator new(size_t size, CXMLNodeHeap& heap, size_t extra)
{
    if (extra > (size_t)-1 - size)
        throw std::bad_alloc();
    return heap.Allocate(size + extra);
}
void CXMLNode::operator delete(void* p, CXMLNodeHeap&, size_t) { CXMLNodeHeap::Free(p); }

CXMLNode* CXMLNode::NewLoaded(CXMLNodeHeap& heap, const CSmallString& name, CXMLNode* parent, unsigned attributes)
{
    const size_t slots = attributes ? CAttributeMap::SlotBytes(attributes) : 0;
    CXMLNode* node = new (heap, slots) CXMLNode(name, parent);
    // Freed with the node, after the map is gone.
    if (attributes)
        node->m_mapAttributes.UseSlots(reinterpret_cast<char*>(node) + sizeof(CXMLNode), attributes);
    return node;
}

// The map allocates nothing until the first attribute arrives.
CXMLNode::CXMLNode(const char* name, CXMLNode* parent)
    : m_nRefs(1), m_strName(OrEmpty(name), (int)strlen(OrEmpty(name))), m_mapAttributes(kAttributeBuckets),
      m_pParent(parent)
{
}

CXMLNode::CXMLNode(const CSmallString& name, CXMLNode* parent)
    : m_nRefs(1), m_strName(name), m_mapAttributes(kAttributeBuckets), m_pParent(parent)
{
}

// Nodes that lose their last reference here are chained through their
// parent pointers and freed by this loop instead of by recursion, so no
// depth of tree can exhaust the stack; none of it allocates.
CXMLNode::~CXMLNode()
{
    CXMLNode* dying = nullptr;
    ReleaseChildren(this, dying);
    while (dying) {
        CXMLNode* node = dying;
        dying = node->m_pParent;
        ReleaseChildren(node, dying);
        delete node;
    }
}

void CXMLNode::ReleaseChildren(CXMLNode* node, CXMLNode*& dying)
{
    for (unsigned i = 0; i < node->m_arrChildren.GetSize(); i++) {
        CXMLNode* child = node->m_arrChildren[i];
        if (--child->m_nRefs == 0) {
            child->m_pParent = dying;
            dying = child;
        } else {
            child->m_pParent = nullptr; // it outlives us elsewhere
        }
    }
    node->m_arrChildren.RemoveAll();
}

void CXMLNode::Release()
{
    if (--m_nRefs == 0)
        delete this;
}

CXMLNode* CXMLNode::CreateNewChild(const char* name) { return AddChild(new CXMLNode(name, this)); }

CXMLNode* CXMLNode::CreateNewChild(const CSmallString& name) { return AddChild(new CXMLNode(name, this)); }

CXMLNode* CXMLNode::AddChild(CXMLNode* child)
{
    try {
        m_arrChildren.Add(child);
    } catch (...) {
        delete child;
        throw;
    }
    child->AddRef(); // the child list's reference; the caller keeps the first
    return child;
}

CXMLNode* CXMLNode::GetChild(unsigned index) const
{
    return index < m_arrChildren.GetSize() ? m_arrChildren[index] : nullptr;
}

CXMLNode* CXMLNode::FindNode(const char* name)
{
    name = OrEmpty(name);
    for (unsigned i = 0; i < m_arrChildren.GetSize(); i++)
        if (strcmp(m_arrChildren[i]->m_strName, name) == 0)
            return m_arrChildren[i];
    return nullptr;
}

const CXMLNode* CXMLNode::FindNode(const char* name) const { return const_cast<CXMLNode*>(this)->FindNode(name); }

// Empty pieces ("a||b", a leading or trailing '|') are skipped.
CXMLNode* CXMLNode::WalkPath(const char* path, bool create)
{
    const char delimiter = g_pcszPathDelimiter[0];
    CXMLNode* node = this;
    const char* p = OrEmpty(path);
    while (*p) {
        const char* piece = p;
        while (*p && *p != delimiter)
            p++;
        const size_t length = (size_t)(p - piece);
        if (*p)
            p++;
        if (!length)
            continue;
        CXMLNode* next = nullptr;
        for (unsigned i = 0; i < node->m_arrChildren.GetSize() && !next; i++) {
            CXMLNode* child = node->m_arrChildren[i];
            if ((size_t)child->m_strName.GetLength() == length && memcmp(child->m_strName, piece, length) == 0)
                next = child;
        }
        if (!next) {
            if (!create)
                return nullptr;
            const CSmallString name(piece, (int)length);
            next = node->CreateNewChild(name);
            next->Release(); // the parent's reference is the only one
        }
        node = next;
    }
    return node;
}

CXMLNode* CXMLNode::CreateNewChildPath(const char* path) { return WalkPath(path, true); }
CXMLNode* CXMLNode::FindNodePath(const char* path) { return WalkPath(path, false); }
const CXMLNode* CXMLNode::FindNodePath(const char* path) const
{
    return const_cast<CXMLNode*>(this)->WalkPath(path, false);
}

bool CXMLNode::RemoveNodePath(const char* path)
{
    CXMLNode* node = FindNodePath(path);
    if (!node || node == this || !node->m_pParent)
        return false;
    return node->m_pParent->RemoveNode(node);
}

bool CXMLNode::RemoveNode(CXMLNode* child)
{
    for (unsigned i = 0; i < m_arrChildren.GetSize(); i++) {
        if (m_arrChildren[i] == child) {
            m_arrChildren.RemoveAt(i);
            child->m_pParent = nullptr;
            child->Release();
            return true;
        }
    }
    return false;
}

void CXMLNode::SetText(const char* text) { m_strText = OrEmpty(text); }

// Text split by child elements arrives in pieces; the buffer grows
// geometrically so that many pieces cost linear time, not quadratic.
void CXMLNode::AppendText(const char* text)
{
    if (text)
        AppendText(text, strlen(text));
}

void CXMLNode::AppendText(const char* text, size_t add)
{
    if (!add)
        return;
    const size_t current = (size_t)m_strText.GetLength();
    if (current == 0) {
        m_strText = CSmallString(text, (int)add);
        return;
    }
    const size_t total = current + add;
    if (total > 0x7FFFFFFF)
        throw std::bad_alloc();
    size_t capacity = (size_t)m_strText.GetData()->nAllocLength;
    if (capacity < total)
        capacity = total > current * 2 ? total : current * 2;
    if (capacity > 0x7FFFFFFF)
        capacity = 0x7FFFFFFF;
    char* buffer = m_strText.GetBuffer((int)capacity);
    memcpy(buffer + current, text, add);
    m_strText.ReleaseBuffer((int)total);
}

// The map's own key rule: equal lengths and no difference but case. hash
// is the name's Container::HashIt.
CXMLNode::CAttributeMap::BucketEntry* CXMLNode::FindAttribute(const char* name, size_t length, unsigned hash) const
{
    if (!m_mapAttributes.GetCount())
        return nullptr;
    for (CAttributeMap::BucketEntry* e = m_mapAttributes.GetBucket(hash % kAttributeBuckets); e; e = e->pNext)
        if ((size_t)e->key.GetLength() == length && Mb::ICmp(e->key, name) == 0)
            return e;
    return nullptr;
}

CXMLNode::CAttributeMap::BucketEntry* CXMLNode::FindAttribute(const char* name, size_t length) const
{
    return FindAttribute(name, length, CXMLKeyHash::Get()(name, length));
}

void CXMLNode::SetAttribute(const char* name, const char* value)
{
    name = OrEmpty(name);
    value = OrEmpty(value);
    const size_t length = strlen(name);
    const unsigned hash = CXMLKeyHash::Get()(name, length);
    if (CAttributeMap::BucketEntry* e = FindAttribute(name, length, hash)) {
        e->value = value;
        return;
    }
    m_mapAttributes.Insert(hash, CSmallString(name, (int)length), CSmallString(value, (int)strlen(value)));
}

void CXMLNode::TakeAttribute(const CSmallString& name, CSmallString&& value)
{
    TakeAttribute(name, CXMLKeyHash::Get()(name, (size_t)name.GetLength()), static_cast<CSmallString&&>(value));
}

void CXMLNode::TakeAttribute(const CSmallString& name, unsigned hash, CSmallString&& value)
{
    if (CAttributeMap::BucketEntry* e = FindAttribute(name, (size_t)name.GetLength(), hash)) {
        e->value = static_cast<CSmallString&&>(value);
        return;
    }
    m_mapAttributes.Insert(hash, name, static_cast<CSmallString&&>(value));
}

const char* CXMLNode::GetAttributeValue(const char* name) const
{
    name = OrEmpty(name);
    const CAttributeMap::BucketEntry* e = FindAttribute(name, strlen(name));
    return e ? e->value.GetText() : nullptr;
}

bool CXMLNode::GetAttributeValue(const char* name, unsigned& value) const
{
    const char* text = GetAttributeValue(name);
    if (!text)
        return false;
    value = ParseUnsigned32(text);
    return true;
}

bool CXMLNode::GetAttributeValue(const char* name, bool& value) const
{
    const char* text = GetAttributeValue(name);
    if (!text)
        return false;
    value = ParseUnsigned32(text) != 0;
    return true;
}

void CXMLNode::SetAttributeValue(const char* name, unsigned value)
{
    char text[16];
    Mb::SNPrintf(text, sizeof(text), "%u", value);
    SetAttribute(name, text);
}

void CXMLNode::SetAttributeValue(const char* name, bool value) { SetAttribute(name, value ? "1" : "0"); }

CXMLNodeItr* CXMLNode::CreateNodeIterator() { return new CXMLNodeItr(this); }

CXMLNodeItr::CXMLNodeItr(CXMLNode* node) : m_pNode(node), m_uIndex(0)
{
    if (m_pNode)
        m_pNode->AddRef();
}

CXMLNodeItr::~CXMLNodeItr()
{
    if (m_pNode)
        m_pNode->Release();
}

bool CXMLNodeItr::IsDone() const { return !m_pNode || m_uIndex >= m_pNode->GetChildCount(); }

CXMLNode* CXMLNodeItr::GetNode() const { return m_pNode ? m_pNode->GetChild(m_uIndex) : nullptr; }

CXMLAttributeItr::CXMLAttributeItr(CXMLNode* node) : m_pNode(node), m_uBucket(0), m_pEntry(nullptr)
{
    if (!m_pNode)
        return;
    m_pNode->AddRef();
    // A map whose bucket array could not be allocated has none at all.
    if (m_pNode->GetAttributes().GetBucketCount()) {
        m_pEntry = m_pNode->GetAttributes().GetBucket(0);
        SkipEmptyBuckets();
    }
}

CXMLAttributeItr::~CXMLAttributeItr()
{
    if (m_pNode)
        m_pNode->Release();
}

void CXMLAttributeItr::SkipEmptyBuckets()
{
    const CXMLNode::CAttributeMap& map = m_pNode->GetAttributes();
    while (!m_pEntry && ++m_uBucket < map.GetBucketCount())
        m_pEntry = map.GetBucket(m_uBucket);
}

void CXMLAttributeItr::Next()
{
    if (!m_pEntry)
        return;
    m_pEntry = m_pEntry->pNext;
    SkipEmptyBuckets();
}

void CXMLAttributeItr::SetValue(const char* value)
{
    if (m_pEntry)
        m_pEntry->value = OrEmpty(value);
}
