// The in-memory tree of an install script: reference-counted elements with
// a name, case-insensitive attributes, a text and ordered children, the
// iterators over children and attributes, and the three writers.
#pragma once

#include <cstddef>

#include "Containers.h"
#include "SmallString.h"

// The writers' output buffer.
class CCharArray : public Container::CArray<char>
{
public:
    void AppendText(const char* text, unsigned length) { Append(text, length); }
    void AppendText(const char* text);
    void AppendText(const CSmallString& text) { Append(text.GetText(), (unsigned)text.GetLength()); }
    void AppendTabs(unsigned count);
};

// Separates the names of a node path such as "install|files".
extern const char* const g_pcszPathDelimiter;

class CXMLNodeHeap;
class CXMLNodeItr;

class CXMLNode
{
public:
    typedef Container::CMap<CSmallString, CSmallString> CAttributeMap;
    enum
    {
        kAttributeBuckets = 97
    };

    CXMLNode(const CXMLNode&) = delete;
    CXMLNode& operator=(const CXMLNode&) = delete;

    void AddRef() { m_nRefs++; }
    // Deletes the node (and whatever only it holds) at the last reference.
    void Release();
    int GetRefCount() const { return m_nRefs; }

    // Appends a child; the reference returned is the caller's to release.
    CXMLNode* CreateNewChild(const char* name);
    CXMLNode* CreateNewChild(const CSmallString& name);
    // Walks or extends a '|'-separated path of exact names; the nodes on it
    // are held by their parents only, so the caller releases nothing.
    CXMLNode* CreateNewChildPath(const char* path);
    // First direct child with exactly this name, or null.
    CXMLNode* FindNode(const char* name);
    const CXMLNode* FindNode(const char* name) const;
    // The node at the end of a '|'-separated path (this for an empty one).
    CXMLNode* FindNodePath(const char* path);
    const CXMLNode* FindNodePath(const char* path) const;
    bool RemoveNodePath(const char* path);
    // Drops a child (later ones move up) and releases it.
    bool RemoveNode(CXMLNode* child);

    const CSmallString& GetName() const { return m_strName; }
    const CSmallString& GetText() const { return m_strText; }
    void SetText(const char* text);
    void AppendText(const char* text);
    unsigned GetChildCount() const { return m_arrChildren.GetSize(); }
    CXMLNode* GetChild(unsigned index) const;
    CXMLNode* GetParent() const { return m_pParent; }

    // Names ignore case; a replaced entry keeps its first spelling.
    void SetAttribute(const char* name, const char* value);
    // The same for texts already held as strings: the name's block is
    // shared and the value's is taken over, so nothing is copied.
    void TakeAttribute(const CSmallString& name, CSmallString&& value);
    const char* GetAttributeValue(const char* name) const;
    // Decimal, as strtoul reads it; false when the attribute is absent.
    bool GetAttributeValue(const char* name, unsigned& value) const;
    bool GetAttributeValue(const char* name, bool& value) const;
    void SetAttributeValue(const char* name, unsigned value);
    void SetAttributeValue(const char* name, bool value);
    // A text value would silently become "1"; SetAttribute is meant.
    void SetAttributeValue(const char* name, const char* value) = delete;
    unsigned GetAttributeCount() const { return m_mapAttributes.GetCount(); }
    const CAttributeMap& GetAttributes() const { return m_mapAttributes; }

    // A new iterator over the children; the caller deletes it.
    CXMLNodeItr* CreateNodeIterator();

    // Each appends the node's children, not the node itself.
    void SaveToCharArray(CCharArray& out) const;
    void SavePrettyToCharArray(CCharArray& out, unsigned indent) const;
    void SavePrettyWithSugarOnTopToCharArray(CCharArray& out, unsigned indent) const;

    // Nodes come from the foundation allocator, like the strings they hold,
    // one by one or (while a document loads) cut from larger blocks.
    static void* operator new(size_t size);
    static void operator delete(void* p);

protected:
    CXMLNode(const char* name, CXMLNode* parent);
    CXMLNode(const CSmallString& name, CXMLNode* parent);
    virtual ~CXMLNode();

private:
    friend class CXMLCreator; // builds children with their attribute room ready

    // A node cut from heap with room for its first attributes behind it.
    static CXMLNode* NewLoaded(CXMLNodeHeap& heap, const CSmallString& name, CXMLNode* parent, unsigned attributes);
    void AppendText(const char* text, size_t length);
    // TakeAttribute with the name's Container::HashIt already known.
    void TakeAttribute(const CSmallString& name, unsigned hash, CSmallString&& value);
    static void* operator new(size_t size, CXMLNodeHeap& heap, size_t extra);
    static void operator delete(void* p, CXMLNodeHeap& heap, size_t extra);

    enum ELayout
    {
        LayoutCompact,
        LayoutPretty,
        LayoutSugarOnTop
    };
    class CWriter;

    CAttributeMap::BucketEntry* FindAttribute(const char* name, size_t length, unsigned hash) const;
    CAttributeMap::BucketEntry* FindAttribute(const char* name, size_t length) const;
    CXMLNode* AddChild(CXMLNode* child);
    CXMLNode* WalkPath(const char* path, bool create);
    void Write(CCharArray& out, unsigned indent, ELayout layout) const;
    static void ReleaseChildren(CXMLNode* node, CXMLNode*& dying);

    int m_nRefs;
    CSmallString m_strText;
    CSmallString m_strName;
    Container::CArray<CXMLNode*> m_arrChildren; // one reference each
    CAttributeMap m_mapAttributes;
    CXMLNode* m_pParent; // not counted
};

// Walks the children of a node, which it keeps alive meanwhile.
class CXMLNodeItr
{
public:
    explicit CXMLNodeItr(CXMLNode* node);
    ~CXMLNodeItr();
    CXMLNodeItr(const CXMLNodeItr&) = delete;
    CXMLNodeItr& operator=(const CXMLNodeItr&) = delete;

    bool IsDone() const;
    void Next() { m_uIndex++; }
    CXMLNode* GetNode() const;

private:
    CXMLNode* m_pNode;
    unsigned m_uIndex;
};

// Walks the attributes in bucket order, newest first within a bucket.
class CXMLAttributeItr
{
public:
    explicit CXMLAttributeItr(CXMLNode* node);
    ~CXMLAttributeItr();
    CXMLAttributeItr(const CXMLAttributeItr&) = delete;
    CXMLAttributeItr& operator=(const CXMLAttributeItr&) = delete;

    bool IsDone() const { return m_pEntry == nullptr; }
    void Next();
    const char* GetName() const { return m_pEntry ? m_pEntry->key.GetText() : nullptr; }
    const char* GetValue() const { return m_pEntry ? m_pEntry->value.GetText() : nullptr; }
    void SetValue(const char* value);

private:
    void SkipEmptyBuckets();

    CXMLNode* m_pNode;
    unsigned m_uBucket;
    CXMLNode::CAttributeMap::BucketEntry* m_pEntry;
};
