// Container::CArray, a growable contiguous array, and Container::CMap, a
// chained hash map whose text keys ignore case. Items are relocated
// bitwise, so element types must survive a block move (the ones used do:
// bytes, pointers, CSmallString, nested CArrays, plain records).
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "Memory.h"
#include "Platform.h"
#include "SmallString.h"

namespace Container {

// Zero count items, then construct class types in place.
template <class T> inline void ConstructItems(T* items, unsigned count)
{
    memset(static_cast<void*>(items), 0, (size_t)count * sizeof(T));
    if constexpr (!std::is_trivially_default_constructible<T>::value)
        for (unsigned i = 0; i < count; i++)
            new (items + i) T;
}

template <class T> inline void DestructItems(T* items, unsigned count)
{
    if constexpr (!std::is_trivially_destructible<T>::value)
        for (unsigned i = 0; i < count; i++)
            items[i].~T();
}

template <class T> class CArray
{
public:
    CArray() {}
    CArray(const CArray& other) { Append(other.m_pItems, other.m_uSize); }
    CArray& operator=(const CArray& other)
    {
        if (this != &other) {
            CArray copy(other);
            Swap(copy);
        }
        return *this;
    }
    virtual ~CArray() { RemoveAll(); }

    unsigned GetSize() const { return m_uSize; }
    unsigned GetAllocated() const { return m_uAllocated; }
    unsigned GetGrowBy() const { return m_uGrowBy; }
    bool IsEmpty() const { return m_uSize == 0; }
    T* GetData() { return m_pItems; }
    const T* GetData() const { return m_pItems; }
    T& operator[](unsigned i) { return m_pItems[i]; }
    const T& operator[](unsigned i) const { return m_pItems[i]; }
    // When false, items added by growing are left uninitialised (plain types only).
    void SetConstruct(bool construct) { m_bConstruct = construct; }

    // Resizes to n items; true only when the block was reallocated.
    bool SetSize(unsigned n)
    {
        if (n <= m_uSize) {
            if (n < m_uSize)
                RemoveAt(n, m_uSize - n);
            return false;
        }
        const bool grown = Reserve(n);
        if (m_bConstruct)
            ConstructItems(m_pItems + m_uSize, n - m_uSize);
        m_uSize = n;
        return grown;
    }

    void InsertAt(unsigned index, const T* src, unsigned count)
    {
        if (!src || !count)
            return;
        if (src >= m_pItems && src < m_pItems + m_uSize) {
            CArray copy; // the source lives inside this array: it moves as we grow
            copy.Append(src, count);
            InsertAt(index, copy.m_pItems, count);
            return;
        }
        OpenGap(index, count);
        if constexpr (std::is_trivially_copyable<T>::value)
            memcpy(static_cast<void*>(m_pItems + index), src, (size_t)count * sizeof(T));
        else
            for (unsigned i = 0; i < count; i++)
                new (m_pItems + index + i) T(src[i]);
    }

    void InsertAt(unsigned index, const T& value, unsigned count = 1)
    {
        if (!count)
            return;
        const T copy(value); // value may be one of our own items
        OpenGap(index, count);
        for (unsigned i = 0; i < count; i++)
            new (m_pItems + index + i) T(copy);
    }

    // With room to spare nothing moves, so value may even be one of ours.
    void Add(const T& value)
    {
        if (m_uSize < m_uAllocated) {
            new (m_pItems + m_uSize) T(value);
            m_uSize++;
            return;
        }
        InsertAt(m_uSize, value, 1);
    }
    void Append(const T* src, unsigned count) { InsertAt(m_uSize, src, count); }

    // index + count <= size is the caller's duty.
    void RemoveAt(unsigned index, unsigned count = 1)
    {
        DestructItems(m_pItems + index, count);
        const unsigned tail = m_uSize - index - count;
        if (tail)
            memmove(static_cast<void*>(m_pItems + index), static_cast<const void*>(m_pItems + index + count), (size_t)tail * sizeof(T));
        m_uSize -= count;
    }

    void RemoveAll()
    {
        DestructItems(m_pItems, m_uSize);
        KxFree(m_pItems);
        m_pItems = nullptr;
        m_uGrowBy = 1;
        m_uAllocated = 0;
        m_uSize = 0;
    }

    void Swap(CArray& other)
    {
        std::swap(m_pItems, other.m_pItems);
        std::swap(m_uGrowBy, other.m_uGrowBy);
        std::swap(m_uAllocated, other.m_uAllocated);
        std::swap(m_uSize, other.m_uSize);
        std::swap(m_bConstruct, other.m_bConstruct);
    }

private:
    // Capacity for n items. Each reallocation adds 4x the previous
    // increment (capped at 0x40000 items), or the exact shortfall when that
    // is more; true when the block moved.
    bool Reserve(unsigned n)
    {
        if (m_uAllocated >= n)
            return false;
        m_uGrowBy = m_uGrowBy < 0x40000 ? m_uGrowBy * 4 : 0x40000;
        unsigned increment = m_uGrowBy;
        if (m_uAllocated + increment < n || m_uAllocated + increment < m_uAllocated)
            increment = n - m_uAllocated;
        const unsigned capacity = m_uAllocated + increment;
        T* items = static_cast<T*>(KxAlloc(KxArrayBytes(capacity, sizeof(T))));
        if (m_uSize)
            memcpy(static_cast<void*>(items), static_cast<const void*>(m_pItems), (size_t)m_uSize * sizeof(T));
        KxFree(m_pItems);
        m_pItems = items;
        m_uAllocated = capacity;
        return true;
    }

    // Room for count raw (unconstructed) items at index.
    void OpenGap(unsigned index, unsigned count)
    {
        if (m_uSize + count < m_uSize)
            throw std::bad_alloc();
        Reserve(m_uSize + count);
        const unsigned tail = m_uSize - index;
        if (tail)
            memmove(static_cast<void*>(m_pItems + index + count), static_cast<const void*>(m_pItems + index), (size_t)tail * sizeof(T));
        m_uSize += count;
    }

    T* m_pItems = nullptr;
    unsigned m_uGrowBy = 1;
    unsigned m_uAllocated = 0;
    unsigned m_uSize = 0;
    bool m_bConstruct = true;
};

// h = upper(c) XOR (h * 2) over the text: agrees with the case-insensitive
// key equality below.
inline unsigned HashIt(const char* text)
{
    if (Mb::IsUtf8())
        return Utf8::HashNoCase(text);
    unsigned h = 0;
    if (text)
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; p++)
            h = (unsigned)toupper(*p) ^ (h * 2);
    return h;
}
inline unsigned HashIt(const CSmallString& text) { return HashIt(text.GetText()); }
inline unsigned HashIt(char c) { return (unsigned char)c; }

inline bool KeysEqual(const CSmallString& a, const CSmallString& b)
{
    return a.GetLength() == b.GetLength() && Mb::ICmp(a, b) == 0;
}
inline bool KeysEqual(const char* a, const char* b) { return Mb::ICmp(a, b) == 0; }
inline bool KeysEqual(char a, char b) { return a == b; }

// The chain heads are allocated only when a map outgrows its first few
// entries. Until then the entries sit side by side in one small block and a
// bucket's head is found by scanning it: most XML elements have two or
// three attributes, and a table of 97 heads for each would cost far more
// than they do. Either way an entry never moves once added.
template <class K, class V> class CMap
{
public:
    struct BucketEntry
    {
        V value;
        K key;
        BucketEntry* pNext;
    };

    // Nothing is allocated until the first entry arrives.
    explicit CMap(unsigned buckets = 97) : m_uBuckets(buckets ? buckets : 1) {}
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;
    virtual ~CMap()
    {
        RemoveAll();
        KxFree(m_ppBuckets);
        FreeSlots();
    }

    // Only on an empty map: the bucket count is fixed from then on.
    void SetBucketSize(unsigned n)
    {
        if (m_uCount)
            return;
        KxFree(m_ppBuckets);
        m_ppBuckets = nullptr;
        FreeSlots();
        m_uBuckets = n ? n : 1;
    }

    unsigned GetCount() const { return m_uCount; }
    unsigned GetBucketCount() const { return m_uBuckets; }
    // Chain head of a bucket, newest entry first.
    BucketEntry* GetBucket(unsigned bucket) const
    {
        if (m_ppBuckets)
            return m_ppBuckets[bucket];
        const unsigned* buckets = SlotBuckets();
        for (unsigned i = m_uSlotsUsed; i-- > 0;)
            if (buckets[i] == bucket)
                return &m_pSlots[i];
        return nullptr;
    }

    // Sets or replaces; an existing key keeps its first spelling.
    void SetAt(const K& key, const V& value)
    {
        const unsigned hash = HashIt(key);
        if (BucketEntry* e = Find(hash % m_uBuckets, key)) {
            e->value = value;
            return;
        }
        Insert(hash, key, value);
    }

    // Adds a key that is not in the map yet; hash is its HashIt. Key and
    // value are moved in when the caller passes them so.
    template <class KK, class VV> BucketEntry* Insert(unsigned hash, KK&& key, VV&& value)
    {
        const unsigned bucket = hash % m_uBuckets;
        BucketEntry* head = GetBucket(bucket);
        BucketEntry* e = NewEntry();
        try {
            new (&e->value) V(static_cast<VV&&>(value));
        } catch (...) {
            FreeEntry(e);
            throw;
        }
        new (&e->key) K(static_cast<KK&&>(key));
        e->pNext = head;
        if (m_ppBuckets)
            m_ppBuckets[bucket] = e;
        if (InSlots(e))
            SlotBuckets()[m_uSlotsUsed++] = bucket;
        m_uCount++;
        return e;
    }

    bool Lookup(const K& key, V& value) const
    {
        if (const BucketEntry* e = Find(BucketOf(key), key)) {
            value = e->value;
            return true;
        }
        return false;
    }

    V* FindValue(const K& key) const
    {
        BucketEntry* e = Find(BucketOf(key), key);
        return e ? &e->value : nullptr;
    }

    void RemoveAt(const K& key)
    {
        const unsigned bucket = BucketOf(key);
        BucketEntry* prev = nullptr;
        for (BucketEntry* e = GetBucket(bucket); e; prev = e, e = e->pNext) {
            if (!KeysEqual(e->key, key))
                continue;
            if (prev)
                prev->pNext = e->pNext;
            else if (m_ppBuckets)
                m_ppBuckets[bucket] = e->pNext;
            // Without a table the next entry of the chain heads it now.
            if (InSlots(e))
                SlotBuckets()[e - m_pSlots] = kFreeSlot;
            Destroy(e);
            m_uCount--;
            return;
        }
    }

    void RemoveAll()
    {
        if (m_ppBuckets) {
            for (unsigned b = 0; m_uCount && b < m_uBuckets; b++) {
                while (BucketEntry* e = m_ppBuckets[b]) {
                    m_ppBuckets[b] = e->pNext;
                    Destroy(e);
                    m_uCount--;
                }
            }
        } else {
            for (unsigned i = 0; i < m_uSlotsUsed; i++)
                if (SlotBuckets()[i] != kFreeSlot)
                    Destroy(&m_pSlots[i]);
            m_uCount = 0;
            m_uSlotsUsed = 0;
        }
    }

private:
    enum : unsigned
    {
        kDefaultSlots = 4,
        kFreeSlot = ~0u, // a removed entry's bucket: matches none
    };

    unsigned BucketOf(const K& key) const { return HashIt(key) % m_uBuckets; }

    BucketEntry* Find(unsigned bucket, const K& key) const
    {
        for (BucketEntry* e = GetBucket(bucket); e; e = e->pNext)
            if (KeysEqual(e->key, key))
                return e;
        return nullptr;
    }

    // The block holds the entries, then the bucket of each.
    void AllocSlots(unsigned n)
    {
        m_pSlots = static_cast<BucketEntry*>(KxAlloc(KxArrayBytes(n, sizeof(BucketEntry) + sizeof(unsigned))));
        m_uSlots = n;
        m_uSlotsUsed = 0;
    }
    void FreeSlots()
    {
        KxFree(m_pSlots);
        m_pSlots = nullptr;
        m_uSlots = 0;
        m_uSlotsUsed = 0;
    }
    unsigned* SlotBuckets() const { return reinterpret_cast<unsigned*>(m_pSlots + m_uSlots); }
    bool InSlots(const BucketEntry* e) const
    {
        const uintptr_t u = reinterpret_cast<uintptr_t>(e), first = reinterpret_cast<uintptr_t>(m_pSlots);
        return m_pSlots && u >= first && u < first + m_uSlots * sizeof(BucketEntry);
    }

    // Raw room for one entry: the next free slot (claimed by Insert once the
    // entry is built), or a block of its own once the chain heads exist.
    BucketEntry* NewEntry()
    {
        if (!m_ppBuckets) {
            if (!m_pSlots)
                AllocSlots(kDefaultSlots);
            if (m_uSlotsUsed < m_uSlots)
                return &m_pSlots[m_uSlotsUsed];
            BuildTable();
        }
        return static_cast<BucketEntry*>(KxAlloc(sizeof(BucketEntry)));
    }
    void FreeEntry(BucketEntry* e)
    {
        if (!InSlots(e))
            KxFree(e);
    }

    // The heads of the chains the slots already form: oldest first, so each
    // bucket ends up with its newest entry.
    void BuildTable()
    {
        BucketEntry** heads = static_cast<BucketEntry**>(KxAlloc(KxArrayBytes(m_uBuckets, sizeof(BucketEntry*))));
        memset(heads, 0, (size_t)m_uBuckets * sizeof(BucketEntry*));
        const unsigned* buckets = SlotBuckets();
        for (unsigned i = 0; i < m_uSlotsUsed; i++)
            if (buckets[i] != kFreeSlot)
                heads[buckets[i]] = &m_pSlots[i];
        m_ppBuckets = heads;
    }

    void Destroy(BucketEntry* e)
    {
        e->value.~V();
        e->key.~K();
        FreeEntry(e);
    }

    unsigned m_uBuckets = 0;
    BucketEntry** m_ppBuckets = nullptr; // null until the slots run out
    unsigned m_uCount = 0;
    BucketEntry* m_pSlots = nullptr; // the first entries, with their buckets
    unsigned m_uSlots = 0;
    unsigned m_uSlotsUsed = 0; // removed ones included: slots are not reused
};

} // namespace Container

typedef Container::CArray<unsigned char> CByteArray;
