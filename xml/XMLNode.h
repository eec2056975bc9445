// The in-memory tree of an install script: reference-counted elements with
// a name, case-insensitive attributes, a text and ordered children, the
// iterators over children and attributes, and the three writers.
#pragma once

#include "Containers.h"
#include "Memory.h"
#include "SmallString.h"

// The writers' output buffer.
class CCharArray : public Container::CArray<char>
{
public:
    void AppendText(const char* text, unsigned length) { Append(text, length); }
    void AppendText(const char* text) { Append(text, text ? (unsigned)strlen(text) : 0); }
    void AppendText(const CSmallString& text) { Append(text.GetText(), (unsigned)text.GetLength()); }
    void AppendTabs(unsigned count) { InsertAt(GetSize(), '\t', count); }
};

// Separates the names of a node path such as "install|files".
extern const char* const g_pcszPathDelimiter;

class CXMLNodeItr;

// The reader's yes of a yes/no attribute, for any text read alike: a
// number other than 0, "yes" or "true" (any case).
bool ReadsAsYes(const char* text);

class CXMLNode
{
public:
    typedef Container::CMap<CSmallString, CSmallString> CAttributeMap;
    static constexpr unsigned kAttributeBuckets = 97;

    CXMLNode(const CXMLNode&) = delete;
    CXMLNode& operator=(const CXMLNode&) = delete;

    void AddRef() { m_nRefs++; }
    // Deletes the node (and whatever only it holds) at the last reference.
    void Release()
    {
        if (--m_nRefs == 0)
            delete this;
    }
    int GetRefCount() const { return m_nRefs; }

    // Appends a child; the reference returned is the caller's to release.
    CXMLNode* CreateNewChild(const char* name);
    // Shares name's text.
    CXMLNode* CreateNewChild(const CSmallString& name);
    // Walks or extends a '|'-separated path of exact names; the nodes on it
    // are held by their parents only, so the caller releases nothing.
    CXMLNode* CreateNewChildPath(const char* path) { return WalkPath(path, true); }
    // First direct child with exactly this name, or null.
    CXMLNode* FindNode(const char* name);
    const CXMLNode* FindNode(const char* name) const { return const_cast<CXMLNode*>(this)->FindNode(name); }
    // The node at the end of a '|'-separated path (this for an empty one).
    CXMLNode* FindNodePath(const char* path) { return WalkPath(path, false); }
    const CXMLNode* FindNodePath(const char* path) const { return const_cast<CXMLNode*>(this)->WalkPath(path, false); }
    bool RemoveNodePath(const char* path);
    // Drops a child (later ones move up) and releases it.
    bool RemoveNode(CXMLNode* child);

    const CSmallString& GetName() const { return m_strName; }
    const CSmallString& GetText() const { return m_strText; }
    void SetText(const char* text) { m_strText = text ? text : ""; }
    void AppendText(const char* text);
    unsigned GetChildCount() const { return m_arrChildren.GetSize(); }
    CXMLNode* GetChild(unsigned index) const { return index < GetChildCount() ? m_arrChildren[index] : nullptr; }
    CXMLNode* GetParent() const { return m_pParent; }

    // Names ignore case; a replaced entry keeps its first spelling.
    void SetAttribute(const char* name, const char* value);
    // The same for texts already held as strings, taking the value over.
    void TakeAttribute(const CSmallString& name, CSmallString&& value);
    const char* GetAttributeValue(const char* name) const;
    // Decimal, as strtoul reads it; false when the attribute is absent.
    bool GetAttributeValue(const char* name, unsigned& value) const;
    // True for a number other than 0, "yes" or "true" (any case); false when absent.
    bool GetAttributeValue(const char* name, bool& value) const;
    void SetAttributeValue(const char* name, unsigned value);
    void SetAttributeValue(const char* name, bool value) { SetAttribute(name, value ? "1" : "0"); }
    // A text value would silently become "1"; SetAttribute is meant.
    void SetAttributeValue(const char* name, const char* value) = delete;
    unsigned GetAttributeCount() const { return m_mapAttributes.GetCount(); }
    const CAttributeMap& GetAttributes() const { return m_mapAttributes; }

    // A new iterator over the children; the caller deletes it.
    CXMLNodeItr* CreateNodeIterator();

    // Each appends the node's children, not the node itself.
    void SaveToCharArray(CCharArray& out) const { Write(out, 0, LayoutCompact); }
    void SavePrettyToCharArray(CCharArray& out, unsigned indent) const { Write(out, indent, LayoutPretty); }
    void SavePrettyWithSugarOnTopToCharArray(CCharArray& out, unsigned indent) const
    {
        Write(out, indent, LayoutSugarOnTop);
    }

    // Nodes come from the foundation allocator, like the strings they hold.
    static void* operator new(size_t size) { return KxAlloc(size); }
    static void operator delete(void* p) { KxFree(p); }

protected:
    enum ELayout
    {
        LayoutCompact,
        LayoutPretty,
        LayoutSugarOnTop
    };

    CXMLNode(const CSmallString& name, CXMLNode* parent);
    virtual ~CXMLNode();
    void Write(CCharArray& out, unsigned indent, ELayout layout) const;

private:
    CAttributeMap::BucketEntry* FindAttribute(const char* name) const;
    CXMLNode* WalkPath(const char* path, bool create);
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

    bool IsDone() const { return !m_pNode || m_uIndex >= m_pNode->GetChildCount(); }
    void Next() { m_uIndex++; }
    CXMLNode* GetNode() const { return m_pNode ? m_pNode->GetChild(m_uIndex) : nullptr; }

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
    unsigned m_uBucket; // of m_pEntry
    CXMLNode::CAttributeMap::BucketEntry* m_pEntry;
};
