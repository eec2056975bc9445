#include "XMLNode.h"

#include <cstring>
#include <new>

#include "Platform.h"

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

inline const char* OrEmpty(const char* s)
{
    return s ? s : "";
}

} // namespace

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
    for (unsigned i = 0; i < node->GetChildCount(); i++) {
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

CXMLNode* CXMLNode::CreateNewChild(const char* name) { return CreateNewChild(CSmallString(OrEmpty(name))); }

CXMLNode* CXMLNode::CreateNewChild(const CSmallString& name)
{
    CXMLNode* child = new CXMLNode(name, this);
    try {
        m_arrChildren.Add(child);
    } catch (...) {
        delete child;
        throw;
    }
    child->AddRef(); // the child list's reference; the caller keeps the first
    return child;
}

CXMLNode* CXMLNode::FindNode(const char* name)
{
    for (unsigned i = 0; i < GetChildCount(); i++)
        if (m_arrChildren[i]->m_strName == name)
            return m_arrChildren[i];
    return nullptr;
}

// Empty pieces ("a||b", a leading or trailing '|') are skipped.
CXMLNode* CXMLNode::WalkPath(const char* path, bool create)
{
    CXMLNode* node = this;
    for (const char* p = OrEmpty(path); *p;) {
        const char* const piece = p;
        const size_t length = strcspn(p, g_pcszPathDelimiter);
        p += length + (p[length] != 0);
        if (!length)
            continue;
        CXMLNode* next = nullptr;
        for (unsigned i = 0; i < node->GetChildCount() && !next; i++) {
            const CSmallString& name = node->m_arrChildren[i]->m_strName;
            if ((size_t)name.GetLength() == length && memcmp(name, piece, length) == 0)
                next = node->m_arrChildren[i];
        }
        if (!next) {
            if (!create)
                return nullptr;
            next = node->CreateNewChild(CSmallString(piece, (int)length));
            next->Release(); // the parent's reference is the only one
        }
        node = next;
    }
    return node;
}

bool CXMLNode::RemoveNodePath(const char* path)
{
    CXMLNode* node = FindNodePath(path);
    return node && node != this && node->m_pParent && node->m_pParent->RemoveNode(node);
}

bool CXMLNode::RemoveNode(CXMLNode* child)
{
    for (unsigned i = 0; i < GetChildCount(); i++) {
        if (m_arrChildren[i] == child) {
            m_arrChildren.RemoveAt(i);
            child->m_pParent = nullptr;
            child->Release();
            return true;
        }
    }
    return false;
}

// Text split by child elements arrives in pieces; the buffer grows
// geometrically so that many pieces cost linear time, not quadratic.
void CXMLNode::AppendText(const char* text)
{
    const size_t add = text ? strlen(text) : 0;
    const size_t current = (size_t)m_strText.GetLength();
    if (!add || current == 0) {
        if (add)
            m_strText = CSmallString(text, (int)add);
        return;
    }
    const size_t total = current + add;
    if (total > 0x7FFFFFFF)
        throw std::bad_alloc();
    size_t capacity = (size_t)m_strText.GetData()->nAllocLength;
    if (capacity < total)
        capacity = total > current * 2 ? total : current * 2;
    char* buffer = m_strText.GetBuffer(capacity > 0x7FFFFFFF ? 0x7FFFFFFF : (int)capacity);
    memcpy(buffer + current, text, add);
    m_strText.ReleaseBuffer((int)total);
}

// The map's own key rule: equal lengths and no difference but case.
CXMLNode::CAttributeMap::BucketEntry* CXMLNode::FindAttribute(const char* name) const
{
    const size_t length = strlen(name);
    CAttributeMap::BucketEntry* e = m_mapAttributes.GetBucket(Container::HashIt(name) % kAttributeBuckets);
    while (e && ((size_t)e->key.GetLength() != length || Mb::ICmp(e->key, name) != 0))
        e = e->pNext;
    return e;
}

// Both strings are made first: value may lie in this node's own storage.
void CXMLNode::SetAttribute(const char* name, const char* value)
{
    TakeAttribute(CSmallString(OrEmpty(name)), CSmallString(OrEmpty(value)));
}

void CXMLNode::TakeAttribute(const CSmallString& name, CSmallString&& value)
{
    if (CAttributeMap::BucketEntry* e = FindAttribute(name))
        e->value = static_cast<CSmallString&&>(value);
    else
        m_mapAttributes.Insert(Container::HashIt(name), name, static_cast<CSmallString&&>(value));
}

const char* CXMLNode::GetAttributeValue(const char* name) const
{
    const CAttributeMap::BucketEntry* e = FindAttribute(OrEmpty(name));
    return e ? e->value.GetText() : nullptr;
}

bool CXMLNode::GetAttributeValue(const char* name, unsigned& value) const
{
    const char* text = GetAttributeValue(name);
    if (text)
        value = ParseUnsigned32(text);
    return text != nullptr;
}

bool ReadsAsYes(const char* text)
{
    // Scripts spell a yes as a word as often as a number.
    return ParseUnsigned32(text) != 0 || Mb::ICmp(text, "yes") == 0 || Mb::ICmp(text, "true") == 0;
}

bool CXMLNode::GetAttributeValue(const char* name, bool& value) const
{
    const char* text = GetAttributeValue(name);
    if (text)
        value = ReadsAsYes(text);
    return text != nullptr;
}

void CXMLNode::SetAttributeValue(const char* name, unsigned value)
{
    char text[16];
    Mb::SNPrintf(text, sizeof(text), "%u", value);
    SetAttribute(name, text);
}

CXMLNodeItr* CXMLNode::CreateNodeIterator()
{
    return new CXMLNodeItr(this);
}

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

CXMLAttributeItr::CXMLAttributeItr(CXMLNode* node) : m_pNode(node), m_uBucket((unsigned)-1), m_pEntry(nullptr)
{
    if (m_pNode) {
        m_pNode->AddRef();
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
    if (m_pEntry) {
        m_pEntry = m_pEntry->pNext;
        SkipEmptyBuckets();
    }
}

void CXMLAttributeItr::SetValue(const char* value)
{
    if (m_pEntry)
        m_pEntry->value = OrEmpty(value);
}
