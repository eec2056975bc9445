// Container::CArray growth and item lifetimes, Container::CMap keys.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "Containers.h"
#include "CountingAllocator.h"
#include "Memory.h"

using Container::CArray;
using Container::CMap;

TEST(ContainersArray, GrowthRule)
{
    CArray<unsigned char> a;
    EXPECT_TRUE(a.SetSize(1));
    EXPECT_EQ(4u, a.GetAllocated());
    EXPECT_FALSE(a.SetSize(4));
    EXPECT_TRUE(a.SetSize(5));
    EXPECT_EQ(4u + 16u, a.GetAllocated());

    CArray<int> b;
    b.SetSize(10); // the exact shortfall beats the first increment
    EXPECT_EQ(10u, b.GetAllocated());
    b.SetSize(11);
    EXPECT_EQ(10u + 16u, b.GetAllocated());

    // The increments rise 4x per reallocation up to 0x40000 items.
    CArray<unsigned char> c;
    unsigned expected = 0, increment = 1;
    for (int i = 0; i < 12; i++) {
        increment = increment < 0x40000 ? increment * 4 : 0x40000;
        expected += increment;
        c.SetSize(c.GetAllocated() + 1);
        EXPECT_EQ(expected, c.GetAllocated()) << "reallocation " << i;
    }

    // Shrinking keeps the block; RemoveAll restores the fresh state.
    const unsigned capacity = c.GetAllocated();
    EXPECT_FALSE(c.SetSize(3));
    EXPECT_EQ(3u, c.GetSize());
    EXPECT_EQ(capacity, c.GetAllocated());
    c.RemoveAll();
    EXPECT_EQ(0u, c.GetAllocated());
    EXPECT_EQ(1u, c.GetGrowBy());
    EXPECT_EQ(nullptr, c.GetData());
}

TEST(ContainersArray, GrownItemsAreZeroedAndInsertMovesTheTail)
{
    CArray<int> a;
    a.SetSize(3);
    for (unsigned i = 0; i < 3; i++)
        EXPECT_EQ(0, a[i]);
    const int src[] = {7, 8};
    a[0] = 1;
    a[2] = 3;
    a.InsertAt(1, src, 2);
    ASSERT_EQ(5u, a.GetSize());
    const int want[] = {1, 7, 8, 0, 3};
    for (unsigned i = 0; i < 5; i++)
        EXPECT_EQ(want[i], a[i]);

    a.InsertAt(0, nullptr, 3);
    a.InsertAt(0, src, 0);
    EXPECT_EQ(5u, a.GetSize());

    a.InsertAt(5, 9, 2); // value form, at the end
    a.RemoveAt(0, 2);
    const int after[] = {8, 0, 3, 9, 9};
    ASSERT_EQ(5u, a.GetSize());
    for (unsigned i = 0; i < 5; i++)
        EXPECT_EQ(after[i], a[i]);

    // Inserting an item of the array into itself survives the reallocation.
    CArray<int> self;
    self.Add(42);
    for (int i = 0; i < 20; i++)
        self.Add(self[0]);
    self.InsertAt(1, self.GetData(), self.GetSize());
    EXPECT_EQ(42u, self.GetSize());
    for (unsigned i = 0; i < self.GetSize(); i++)
        EXPECT_EQ(42, self[i]);
}

namespace {
int g_nLive = 0;
struct CCounted
{
    CCounted() : m_nValue(-1) { g_nLive++; }
    CCounted(const CCounted& o) : m_nValue(o.m_nValue) { g_nLive++; }
    ~CCounted() { g_nLive--; }
    int m_nValue;
};
} // namespace

TEST(ContainersArray, ClassItemsAreConstructedAndDestroyedOnce)
{
    g_nLive = 0;
    {
        CArray<CCounted> a;
        a.SetSize(5);
        EXPECT_EQ(5, g_nLive);
        EXPECT_EQ(-1, a[4].m_nValue);
        CCounted one;
        one.m_nValue = 1;
        a.InsertAt(2, one, 3);
        EXPECT_EQ(9, g_nLive);
        a.RemoveAt(0, 4);
        EXPECT_EQ(5, g_nLive);
        EXPECT_EQ(1, a[0].m_nValue);
        a.SetSize(2);
        EXPECT_EQ(3, g_nLive);
        CArray<CCounted> copy(a);
        EXPECT_EQ(5, g_nLive);
    }
    EXPECT_EQ(0, g_nLive);

    // Nested byte arrays, as the package's items are held.
    CArray<CArray<unsigned char>> items;
    items.SetSize(3);
    items[1].Append(reinterpret_cast<const unsigned char*>("abc"), 3);
    items.SetSize(100); // relocates the inner arrays bitwise
    EXPECT_EQ(3u, items[1].GetSize());
    EXPECT_EQ('c', items[1][2]);
    EXPECT_EQ(0u, items[99].GetSize());
    EXPECT_EQ(1u, items[99].GetGrowBy());
}

TEST(ContainersArray, OutOfMemoryLeavesTheArrayIntact)
{
    CArray<int> a;
    a.Add(5);
    {
        // Installed only around the failing growth: a's block is the C
        // library's and must not be freed through it.
        CCountingAllocator allocator;
        allocator.FailAt(0);
        EXPECT_THROW(a.SetSize(1000), std::bad_alloc);
        EXPECT_EQ(1, allocator.GetCalls());
        EXPECT_EQ(0, allocator.GetLiveBlocks());
    }
    EXPECT_EQ(1u, a.GetSize());
    EXPECT_EQ(5, a[0]);
    // A byte count that overflows is refused before anything is allocated.
    EXPECT_THROW(KxArrayBytes((size_t)-1 / 4 + 1, 4), std::bad_alloc);
    EXPECT_EQ(12u, KxArrayBytes(3, 4));
}

TEST(ContainersMap, HashAndCaseInsensitiveKeys)
{
    EXPECT_EQ(0xC0u, Container::HashIt("ab"));
    EXPECT_EQ(Container::HashIt("ab"), Container::HashIt("AB"));
    EXPECT_EQ(0u, Container::HashIt(""));
    EXPECT_EQ(0u, Container::HashIt(static_cast<const char*>(nullptr)));
    EXPECT_EQ(Container::HashIt("Name"), Container::HashIt(CSmallString("NAME")));

    CMap<CSmallString, CSmallString> map(97);
    map.SetAt("Name", "first");
    map.SetAt("NAME", "second"); // same key: replaced, first spelling kept
    EXPECT_EQ(1u, map.GetCount());
    CSmallString value;
    ASSERT_TRUE(map.Lookup("name", value));
    EXPECT_EQ(value, "second");
    const auto* entry = map.GetBucket(Container::HashIt("name") % 97);
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(entry->key, "Name");

    map.RemoveAt("absent");
    EXPECT_EQ(1u, map.GetCount());
    map.RemoveAt("nAmE");
    EXPECT_EQ(0u, map.GetCount());
    EXPECT_FALSE(map.Lookup("Name", value));

    // Many keys in few buckets: chains hold them all.
    CMap<const char*, char> small(3);
    const char* names[] = {"amp", "lt", "gt", "quot", "apos", "tab", "nbsp"};
    for (int i = 0; i < 7; i++)
        small.SetAt(names[i], (char)('a' + i));
    for (int i = 0; i < 7; i++) {
        char c = 0;
        EXPECT_TRUE(small.Lookup(names[i], c));
        EXPECT_EQ('a' + i, c);
    }
    char c = 0;
    EXPECT_TRUE(small.Lookup("AMP", c));
    EXPECT_FALSE(small.Lookup("am", c));

    CMap<char, const char*> chars(31);
    chars.SetAt('<', "lt");
    EXPECT_STREQ("lt", *chars.FindValue('<'));
    EXPECT_EQ(nullptr, chars.FindValue('>'));
}

namespace {

// The map as a walker sees it: "bucket:key=value" in bucket order, newest
// first within a bucket.
std::string Walk(const CMap<CSmallString, CSmallString>& map)
{
    std::string s;
    for (unsigned b = 0; b < map.GetBucketCount(); b++)
        for (const auto* e = map.GetBucket(b); e; e = e->pNext)
            s += std::to_string(b) + ":" + e->key.GetText() + "=" + e->value.GetText() + " ";
    return s;
}

} // namespace

TEST(ContainersMap, ChainsReadTheSameBeforeAndAfterTheTable)
{
    // Keys that share buckets: "a" and "k4" (65), "b", "B" and "m9" (66).
    ASSERT_EQ(65u, Container::HashIt("a") % 97);
    ASSERT_EQ(65u, Container::HashIt("k4") % 97);
    ASSERT_EQ(66u, Container::HashIt("m9") % 97);
    struct Step
    {
        const char* key; // null: remove
        const char* value;
        const char* removeKey;
    };
    const Step steps[] = {
        {"a", "1", nullptr},  {"b", "2", nullptr}, {"k4", "3", nullptr}, {nullptr, nullptr, "a"},
        {"B", "4", nullptr},  {"a", "5", nullptr}, {"m9", "6", nullptr}, {"k4", "7", nullptr},
        {"d", "8", nullptr},  {nullptr, nullptr, "k4"}, {"e", "9", nullptr}, {nullptr, nullptr, "zz"},
    };
    // Reference: a map whose slots are used up by one entry, so that it has
    // its table almost at once, walked after every step.
    CCountingAllocator counting;
    {
        CMap<CSmallString, CSmallString> slots(97), table(97);
        table.SetAt("first", "x");
        table.SetAt("second", "x");
        table.SetAt("third", "x");
        table.SetAt("fourth", "x");
        table.SetAt("fifth", "x"); // past the four slots: the table exists
        for (const char* k : {"first", "second", "third", "fourth", "fifth"})
            table.RemoveAt(k);
        for (const Step& step : steps) {
            SCOPED_TRACE(step.key ? step.key : step.removeKey);
            if (step.key) {
                slots.SetAt(step.key, step.value);
                table.SetAt(step.key, step.value);
            } else {
                slots.RemoveAt(step.removeKey);
                table.RemoveAt(step.removeKey);
            }
            EXPECT_EQ(Walk(table), Walk(slots));
            EXPECT_EQ(table.GetCount(), slots.GetCount());
            CSmallString value;
            EXPECT_EQ(table.Lookup("A", value), slots.Lookup("A", value));
        }
        EXPECT_EQ("65:a=5 66:m9=6 66:b=4 68:d=8 69:e=9 ", Walk(slots));
        slots.RemoveAll();
        EXPECT_EQ("", Walk(slots));
        slots.SetAt("again", "1"); // the slots serve again after RemoveAll
        EXPECT_EQ(1u, slots.GetCount());
    }
    EXPECT_EQ(0, counting.GetLiveBlocks()) << "blocks leaked";
}
