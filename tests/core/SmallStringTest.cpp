#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "CountingAllocator.h"
#include "Exceptions.h"
#include "FileStore.h"
#include "Memory.h"
#include "Platform.h"
#include "SmallString.h"

namespace {

typedef CSmallString S;

std::string Bytes(const S& s)
{
    return std::string(s.GetText(), (size_t)s.GetLength());
}
int Refs(const S& s)
{
    return s.GetData()->nRefs;
}
bool IsSharedEmpty(const S& s)
{
    return s.GetData() == S::GetSharedEmpty();
}
// Strings with the same text that share nothing.
S Fresh(const char* text)
{
    return S(text, (int)strlen(text));
}

// The block invariants every operation must keep.
void ExpectValid(const S& s)
{
    const CSmallStringData* d = s.GetData();
    if (IsSharedEmpty(s)) {
        EXPECT_EQ(d->nRefs, -1);
        EXPECT_EQ(d->nAllocLength + d->nDataLength, 0);
        EXPECT_EQ(d->pFindData, nullptr);
    } else {
        EXPECT_GE(d->nRefs, 1);
        EXPECT_LE(d->nDataLength, d->nAllocLength);
    }
    EXPECT_EQ(s.GetText()[d->nDataLength], 0);
}

} // namespace

TEST(SmallStringLifetime, EmptyValuesAreTheSharedStaticBlock)
{
    const S values[] = {
        S(),          S(static_cast<const char*>(nullptr)),    S(""),  S(reinterpret_cast<const char*>(5)),
        S("abc", 0),  S(static_cast<const wchar_t*>(nullptr)), S(L""), S(L"abc", 0),
        S(L"abc", -1)};
    for (const S& s : values) {
        EXPECT_TRUE(IsSharedEmpty(s));
        EXPECT_TRUE(IsSharedEmpty(S(s)));
        S assigned("x");
        assigned = s;
        EXPECT_EQ(assigned, "");
        ExpectValid(assigned);
    }
    ExpectValid(S());
}

TEST(SmallStringLifetime, CopiesShareExactBlocks)
{
    S a("hello");
    EXPECT_EQ(a.GetData()->nAllocLength, 5);
    EXPECT_EQ(Bytes(S("a\0b", 3)), std::string("a\0b", 3));
    {
        S b(a), c;
        c = b;
        EXPECT_EQ(c.GetText(), a.GetText());
        EXPECT_EQ(Refs(a), 3);
        S moved(std::move(c));
        EXPECT_TRUE(IsSharedEmpty(c));
        b = std::move(moved);
        EXPECT_EQ(Refs(a), 2);
    }
    EXPECT_EQ(Refs(a), 1);

    a = a.GetText() + 2; // a source inside the block itself
    EXPECT_EQ(a, "llo");
    S shared(a);
    shared = shared.GetText() + 1;
    EXPECT_EQ(shared, "lo");
    EXPECT_EQ(a, "llo");
    a = static_cast<const char*>(nullptr);
    EXPECT_TRUE(IsSharedEmpty(a));

    S s("ab");
    s += static_cast<const char*>(nullptr);
    s += 'c';
    s += S("de");
    EXPECT_EQ(s.GetData()->nAllocLength, 5);
    s += '\0';
    EXPECT_EQ(Bytes(s), std::string("abcde\0", 6));

    const S x("x"), none;
    EXPECT_EQ(x + "yz", "xyz");
    EXPECT_EQ("wv" + x, "wvx");
    EXPECT_EQ((x + x).GetData()->nAllocLength, 2);
    EXPECT_EQ(x + static_cast<const char*>(nullptr), "x");
    EXPECT_EQ(static_cast<const char*>(nullptr) + x, "x");
    EXPECT_TRUE(IsSharedEmpty(none + none));
    EXPECT_TRUE(IsSharedEmpty(none + ""));

    EXPECT_TRUE(S("Hello").IsSameNoCase("hELLO"));
    EXPECT_FALSE(S("Hello").IsSameNoCase("hELL"));
    EXPECT_FALSE(S("a\0b", 3).IsSameNoCase("a"));
}

TEST(SmallStringBuffer, GetBufferReleaseBufferAndFreeExtra)
{
    S s("abc");
    char* p = s.GetBuffer(10);
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_EQ(s.GetData()->nAllocLength, 10);
    strcpy(p, "abcdefgh");
    s.ReleaseBuffer(-1);
    EXPECT_EQ(s, "abcdefgh");
    EXPECT_EQ(s.GetBuffer(4), p); // already large enough
    memcpy(p, "abcdefghij", 10);
    s.ReleaseBuffer(99); // clipped to the capacity
    EXPECT_EQ(s, "abcdefghij");
    s.FreeExtra();
    EXPECT_EQ(s.GetText(), p);
    s.ReleaseBuffer(4);
    s.FreeExtra();
    EXPECT_EQ(s.GetData()->nAllocLength, 4);
    memcpy(s.GetBufferSetLength(6) + 4, "ef", 2);
    EXPECT_EQ(s, "abcdef");

    // Empty keeps the capacity of a zero-length private string.
    p = s.GetBufferSetLength(0);
    s.Empty();
    s = "";
    EXPECT_EQ(s.GetText(), p);
    S other(Fresh("x")), copy(other);
    copy.Empty();
    EXPECT_TRUE(IsSharedEmpty(copy));
    EXPECT_EQ(Refs(other), 1);

    // The shared empty block hands out its NUL but is never written.
    S e;
    EXPECT_EQ(e.GetBuffer(0), e.GetText());
    e.ReleaseBuffer(-1);
    e.GetBufferSetLength(0);
    e.SetAt(0, 'x');
    e.FreeExtra();
    EXPECT_TRUE(IsSharedEmpty(e));
    ExpectValid(e);
}

TEST(SmallStringEdit, OperationsClipAndCount)
{
    struct Edit
    {
        const char* text;
        std::function<int(S&)> op;
        int result;
        const char* expected;
    } const edits[] = {
        {"ab", [](S& s) { return s.Insert(99, "xy"); }, 4, "abxy"},
        {"ab", [](S& s) { return s.Insert(-5, "xy"); }, 4, "xyab"},
        {"ab", [](S& s) { return s.Insert(1, nullptr); }, 2, "ab"},
        {"", [](S& s) { return s.Insert(0, "q"); }, 1, "q"},
        {"abcdef", [](S& s) { return s.Delete(2, 100); }, 6, "ab"},
        {"abcdef", [](S& s) { return s.Delete(-3, 2); }, 6, "cdef"},
        {"abcdef", [](S& s) { return s.Delete(6, 1); }, 6, "abcdef"},
        {"abcdef", [](S& s) { return s.Delete(1, -1); }, 6, "abcdef"},
        {"banana", [](S& s) { return s.Replace('a', 'a'); }, 0, "banana"},
        {"banana", [](S& s) { return s.Replace('a', 'o'); }, 3, "bonono"},
        {"banana", [](S& s) { return s.Remove('a'); }, 3, "bnn"},
        {"ababab", [](S& s) { return s.Replace("ab", "x"); }, 3, "xxx"},
        {"aXa", [](S& s) { return s.Replace("a", "bcd"); }, 2, "bcdXbcd"},
        {"aaaa", [](S& s) { return s.Replace("aa", "a"); }, 2, "aa"},
        {"abc", [](S& s) { return s.Replace("", "x"); }, 0, "abc"},
        {"abc", [](S& s) { return s.Replace(nullptr, "x"); }, 0, "abc"},
        {"abc", [](S& s) { return s.Replace("b", nullptr); }, 1, "ac"},
        {"abc", [](S& s) { return s.Replace("B", "x"); }, 0, "abc"},
        {"v%N%.%N%", [](S& s) { return s.Replace("%N%", 42u); }, 2, "v42.42"},
        {"[n]", [](S& s) { return s.ReplaceNoCase("[N]", 0xFFFFFFFFu); }, 1, "-1"},
        {"xAby", [](S& s) { return s.ReplaceNoCase("AB", "ab"); }, 1, "xaby"},
        {"Hello HELLO hello", [](S& s) { return s.ReplaceNoCase("hello", "bye"); }, 3, "bye bye bye"},
        {"aAa", [](S& s) { return s.ReplaceNoCase("a", nullptr); }, 3, ""},
        {"aaa", [](S& s) { return s.ReplaceNoCase("a", "aa"); }, 3, "aaaaaa"},
        {"abc", [](S& s) { return s.ReplaceNoCase("", "x"); }, 0, "abc"},
        {"aabb", [](S& s) { return (int)s.Remove("ab"); }, 1, "ab"},
        {"xABxab", [](S& s) { return (int)s.Remove("ab"); }, 1, "xABx"},
        {"xABxab", [](S& s) { return (int)s.RemoveNoCase("ab"); }, 1, "xx"},
        {"abc", [](S& s) { return (int)s.Remove(""); }, 0, "abc"},
        {"abc", [](S& s) { return (int)s.RemoveNoCase("d"); }, 0, "abc"},
        {"C:\\a\\sub\\f.txt", [](S& s) { return s.DeleteUpTo("\\SUB"), 0; }, 0, "\\sub\\f.txt"},
        {"C:\\a\\sub\\f.txt", [](S& s) { return s.DeleteAfter(".TXT"), 0; }, 0, "C:\\a\\sub\\f"},
        {"abc", [](S& s) { return s.DeleteAfter(nullptr), 0; }, 0, "abc"},
        {" \t x \n", [](S& s) { return s.TrimLeft(), 0; }, 0, "x \n"},
        {" \t x \n", [](S& s) { return s.TrimRight(), 0; }, 0, " \t x"},
        {" \t x \n", [](S& s) { return s.TrimBoth(), 0; }, 0, "x"},
        {"\v \f", [](S& s) { return s.TrimBoth(), 0; }, 0, ""},
        {"", [](S& s) { return s.TrimBoth(), 0; }, 0, ""},
        {"MixEd 1x", [](S& s) { return s.MakeUpper(), 0; }, 0, "MIXED 1X"},
        {"MixEd 1x", [](S& s) { return s.MakeLower(), 0; }, 0, "mixed 1x"},
        {"mixed", [](S& s) { return s.MakeUpper(3), 0; }, 0, "MIXed"},
        {"mixed", [](S& s) { return s.MakeUpper(99), 0; }, 0, "MIXED"},
        {"mixed", [](S& s) { return s.MakeUpper(-1), 0; }, 0, "mixed"},
        {"mixed", [](S& s) { return s.SetAt(1, 'I'), 0; }, 0, "mIxed"},
        {"ab", [](S& s) { return s += s, 0; }, 0, "abab"},
        {"ab", [](S& s) { return s += "", 0; }, 0, "ab"},
        {"abc", [](S& s) { return s.ReleaseBuffer(2), 0; }, 0, "ab"},
        {"abc", [](S& s) { return s.GetBuffer(0)[1] = 'B', s.ReleaseBuffer(-1), 0; }, 0, "aBc"},
        {"abc", [](S& s) { return s.GetBufferSetLength(1), 0; }, 0, "a"},
        {"ab", [](S& s) { return s.Format("%d", 5), 0; }, 0, "5"},
        {"ab", [](S& s) { return s.Addf("%d", 5), 0; }, 0, "ab5"},
    };
    // Each runs on a shared block: a change copies it first, no change
    // leaves it shared.
    for (const Edit& e : edits) {
        S s(Fresh(e.text)), original(s);
        EXPECT_EQ(e.op(s), e.result) << e.text << " -> " << e.expected;
        EXPECT_EQ(s, e.expected);
        EXPECT_EQ(original, e.text);
        EXPECT_EQ(s.GetText() == original.GetText(), strcmp(e.expected, e.text) == 0) << e.text;
        ExpectValid(s);
    }
}

TEST(SmallStringEdit, ReplaceInPlaceSegmentsAndAliases)
{
    // Every NUL-terminated segment up to the data length is searched.
    S nul("ab\0cab\0", 7);
    EXPECT_EQ(nul.Replace("ab", "XYZ"), 2);
    EXPECT_EQ(Bytes(nul), std::string("XYZ\0cXYZ\0", 9));
    EXPECT_EQ(nul.Replace('X', 'x'), 2);
    EXPECT_EQ(nul.Remove('Z'), 2);
    EXPECT_EQ(Bytes(nul), std::string("xY\0cxY\0", 7));

    // Shrinking keeps the block; growth within spare capacity stays in it.
    S shrink("aXaXa");
    const char* p = shrink.GetText();
    EXPECT_EQ(shrink.Replace("X", ""), 2);
    EXPECT_EQ(shrink.GetText(), p);
    S roomy("a-a-a");
    p = roomy.GetBuffer(32);
    EXPECT_EQ(roomy.Replace("a", "<a>"), 3);
    EXPECT_EQ(roomy, "<a>-<a>-<a>");
    EXPECT_EQ(roomy.GetText(), p);
    S exact("a-a");
    EXPECT_EQ(exact.Replace("a", "<a>"), 2);
    EXPECT_EQ(exact.GetData()->nAllocLength, 7);

    // Arguments taken from the string's own text.
    S self("xyxy");
    self.GetBuffer(16);
    EXPECT_EQ(self.Replace(self.GetText() + 2, self.GetText()), 2);
    EXPECT_EQ(self, "xyxyxyxy");
    self.Insert(1, self.GetText() + 6);
    EXPECT_EQ(self, "xxyyxyxyxy");
}

TEST(SmallStringEdit, FormatDoublesUntilTheTextFits)
{
    S s("old");
    s.Format("%s=%d", "n", 42);
    EXPECT_EQ(s, "n=42");
    EXPECT_EQ(s.GetData()->nAllocLength, 1024);
    const struct
    {
        int len, capacity;
    } sizes[] = {{1023, 1024}, {1024, 2048}, {3000, 4096}, {9000, 16384}};
    for (const auto& c : sizes) {
        const std::string text((size_t)c.len - 2, 'x');
        s.Format("<%s>", text.c_str());
        EXPECT_EQ(Bytes(s), "<" + text + ">");
        EXPECT_EQ(s.GetData()->nAllocLength, c.capacity);
    }
    s = "ab";
    s.Format("%s-%s", s.GetText(), s.GetText()); // the string may format itself
    EXPECT_EQ(s, "ab-ab");
    s.Addf("/%03d", 7);
    EXPECT_EQ(s, "ab-ab/007");
    const std::string tail(5000, 'y');
    s.Addf("%s", tail.c_str());
    EXPECT_EQ(Bytes(s), "ab-ab/007" + tail);
    EXPECT_EQ(s.GetData()->nAllocLength, s.GetLength());
}

// msvcrt's _vsnprintf leaves a text that exactly fills the buffer without
// its NUL; the wrapper must terminate it whatever the run-time does.
TEST(SmallStringEdit, SNPrintfAlwaysTerminatesAndReportsCuts)
{
    char buf[6];
    const struct
    {
        const char* text;
        int result;
        const char* kept;
    } cases[] = {{"", 0, ""}, {"abcd", 4, "abcd"}, {"abcde", 5, "abcde"}, {"abcdef", -1, "abcde"}, {"abcdefghij", -1, "abcde"}};
    for (const auto& c : cases) {
        memset(buf, '#', sizeof buf);
        EXPECT_EQ(Mb::SNPrintf(buf, sizeof buf, "%s", c.text), c.result) << c.text;
        EXPECT_STREQ(buf, c.kept) << c.text;
    }
    memset(buf, '#', sizeof buf);
    EXPECT_EQ(Mb::SNPrintf(buf, sizeof buf, "%u", 4294967295u), -1);
    EXPECT_STREQ(buf, "42949");
    EXPECT_EQ(Mb::SNPrintf(buf, 0, "%d", 1), -1); // nothing written, no crash
    EXPECT_EQ(Mb::SNPrintf(buf, 1, "%d", 1), -1);
    EXPECT_STREQ(buf, "");
}

TEST(SmallStringExtract, MidAndMidPoints)
{
    const S s("abcdef");
    const struct
    {
        bool bPoints;
        int a, b;
        const char* expected;
    } cases[] = {{false, 2, 100, "cdef"}, {false, 7, 1, ""},   {false, 6, 1, ""},     {false, -2, 2, "ab"},
                 {false, 2, -1, ""},      {true, 1, 3, "bcd"}, {true, -5, 0, "a"},    {true, 4, 2, ""},
                 {true, 9, 9, "f"},       {true, 3, 3, "d"},   {false, 0, 5, "abcde"}};
    for (const auto& c : cases) {
        const S m = c.bPoints ? s.MidPoints(c.a, c.b) : s.Mid(c.a, c.b);
        EXPECT_EQ(m, c.expected) << c.bPoints << " " << c.a << "," << c.b;
        EXPECT_TRUE(IsSharedEmpty(m) || m.GetData()->nAllocLength == m.GetLength());
        ExpectValid(m);
    }
    EXPECT_EQ(s.Mid(0, 6).GetText(), s.GetText());
    EXPECT_EQ(s.Mid(0, 99).GetText(), s.GetText());
    EXPECT_EQ(s.MidPoints(0, 99).GetText(), s.GetText());
    EXPECT_TRUE(IsSharedEmpty(S().MidPoints(0, 0)));
}

TEST(SmallStringSearch, ForwardSearches)
{
    const S abc("abc");
    EXPECT_EQ(abc.Find("B"), 1);
    EXPECT_EQ(abc.FindSameCase("B"), -1);
    EXPECT_EQ(abc.Find(""), -1);
    EXPECT_EQ(S().Find("a"), -1);
    EXPECT_EQ(abc.Find("abcd"), -1);

    // A non-zero start names where the pattern's last byte is first tried.
    const S abcabc("abcabc");
    EXPECT_EQ(abcabc.FindSameCase("bc", 2), 1);
    EXPECT_EQ(abcabc.FindSameCase("bc", 3), 4);
    EXPECT_EQ(abcabc.FindSameCase("bc", -4), 1);
    EXPECT_EQ(abcabc.FindSameCase("bc", 99), -1);

    const struct
    {
        const char* text;
        int noCase, sameCase;
    } words[] = {{"concat cat", 7, 7}, {"cat_x", 0, 0},  {"cats", -1, -1},   {"Cat", 0, -1},
                 {"cat1 cat", 5, 5},   {"9cat", -1, -1}, {"a.CAT.cat", 2, 6}};
    for (const auto& c : words) {
        EXPECT_EQ(S(c.text).FindWholeWord("cat"), c.noCase) << c.text;
        EXPECT_EQ(S(c.text).FindWholeWordSameCase("cat"), c.sameCase) << c.text;
    }

    uint32_t* table = InitFindNoCase("b", 1);
    EXPECT_EQ(::Find("abc", 3, table, "b", 1, 0), 1);
    EXPECT_EQ(::Find("abc", 3, nullptr, "b", 1, 0), -1);
    EXPECT_EQ(::FindSameCase("abc", 0, table, "b", 1, 0), -1);
    KxFree(table);
    EXPECT_EQ(InitFindNoCase("", 0), nullptr);
}

// The scans against a direct reading of their rules, over many texts.
TEST(SmallStringSearch, AgreesWithAReferenceScan)
{
    auto reference = [](const std::string& t, const std::string& p, int start, bool noCase, bool whole) {
        const int n = (int)t.size(), m = (int)p.size();
        auto same = [&](char a, char b) { return noCase ? toupper(a) == toupper(b) : a == b; };
        auto word = [&](int i) { return i >= 0 && i < n && isalnum((unsigned char)t[i]); };
        for (int i = start > m - 1 ? start : m - 1; m && i < n; i++) {
            const int s = i - (m - 1);
            int k = 0;
            while (k < m && same(t[s + k], p[k]))
                k++;
            if (k == m && !(whole && (word(i + 1) || word(s - 1))))
                return s;
        }
        return -1;
    };
    unsigned seed = 12345;
    auto next = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 16; };
    // Texts past 64 bytes take the block filter where the build has one.
    for (int round = 0; round < 2000; round++) {
        std::string t, p;
        for (unsigned n = next() % (round % 2 ? 24 : 120); n; n--)
            t += "abAB _1"[next() % 7];
        for (unsigned n = 1 + next() % 4; n; n--)
            p += "abAB _1"[next() % 7];
        const S text(t.c_str()), pat(p.c_str());
        for (int start = -1; start <= (int)t.size() + 1; start++) {
            SCOPED_TRACE(t + "|" + p + "|" + std::to_string(start));
            ASSERT_EQ(text.Find(pat, start), reference(t, p, start, true, false));
            ASSERT_EQ(text.FindSameCase(pat, start), reference(t, p, start, false, false));
            ASSERT_EQ(text.FindWholeWord(pat, start), reference(t, p, start, true, true));
            ASSERT_EQ(text.FindWholeWordSameCase(pat, start), reference(t, p, start, false, true));
        }
    }
}

TEST(SmallStringSearch, SkipTableIsCachedAndDropped)
{
    const S text("one two three two");
    S pat("TWO");
    EXPECT_EQ(text.Find(pat), 4);
    const uint32_t* table = pat.GetData()->pFindData;
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table['t'], 2u);
    EXPECT_EQ(table['W'], 1u);
    EXPECT_EQ(table['o'], 3u);
    EXPECT_EQ(text.FindWholeWordSameCase(pat), -1);
    EXPECT_EQ(pat.GetData()->pFindData, table);
    pat.MakeLower(); // the table is case-independent
    EXPECT_EQ(pat.GetData()->pFindData, table);
    S copy(pat);
    EXPECT_EQ(text.FindSameCase(copy, 7), 14);
    copy += "x"; // the other owner keeps its table
    EXPECT_EQ(pat.GetData()->pFindData, table);
    EXPECT_EQ(copy.GetData()->pFindData, nullptr);

    const std::vector<std::function<void(S&)>> changes = {
        [](S& s) { s.SetAt(0, 'h'); },
        [](S& s) { s.Delete(0, 1); },
        [](S& s) { s.Insert(1, "h"); },
        [](S& s) { s += "e"; },
        [](S& s) { s = "hre"; },
        [](S& s) { s.Replace("t", "h"); },
        [](S& s) { s.GetBuffer(0)[0] = 'h', s.ReleaseBuffer(-1); },
        [](S& s) { s.Format("%s", "hre"); },
    };
    for (size_t i = 0; i < changes.size(); i++) {
        SCOPED_TRACE(i);
        S p = Fresh("tre");
        const S hay("three there here");
        EXPECT_EQ(hay.Find(p), -1);
        changes[i](p);
        EXPECT_EQ(p.GetData()->pFindData, nullptr);
        // A stale table would skip what a fresh pattern finds.
        EXPECT_EQ(hay.Find(p), hay.Find(Fresh(p.GetText())));
    }
}

TEST(SmallStringSearch, ReverseAndCStyleHelpers)
{
    const S s("abcABCabc");
    EXPECT_EQ(s.FindReverse("ABC"), 6);
    EXPECT_EQ(s.FindReverse("abc", 3), 3);
    EXPECT_EQ(s.FindReverse("abc", 9), -1);
    EXPECT_EQ(s.FindReverse("abc", -7), 6);
    EXPECT_EQ(s.FindReverse(""), -1);
    EXPECT_EQ(S("ab").FindReverse("abc"), -1);

    const char* text = "Hello World";
    EXPECT_EQ(stristr(text, "WORLD"), text + 6);
    EXPECT_EQ(stristr(text, "worlds"), nullptr);
    EXPECT_EQ(stristr("", "a"), nullptr);
    EXPECT_EQ(strirstr(text, "O", 0), text + 7);
    EXPECT_EQ(strirstr(text, "o", 5), text + 4);
    EXPECT_EQ(strirstr(text, "", 0), nullptr);
    EXPECT_EQ(strirstr(nullptr, "a", 0), nullptr);

    char buf[] = "aXbxXc";
    EXPECT_FALSE(strremove(buf, ""));
    EXPECT_TRUE(strremove(buf, "X"));
    EXPECT_STREQ(buf, "abxc");
    EXPECT_TRUE(striremove(buf, "X"));
    EXPECT_STREQ(buf, "abc");
    EXPECT_FALSE(striremove(buf, "d"));
}

namespace {

class CMemoryStore : public CStoreABC
{
public:
    std::string m_strBytes;
    size_t m_nPos = 0;
    uint32_t GetSize() override { return (uint32_t)m_strBytes.size(); }
    void Read(void* buffer, uint32_t size) override
    {
        if (m_strBytes.size() - m_nPos < size)
            throw new CFileStoreException(CBaseException::IOFailure, "short read");
        memcpy(buffer, m_strBytes.data() + m_nPos, size);
        m_nPos += size;
    }
    void Write(const void* buffer, uint32_t size) override
    {
        m_strBytes.append(static_cast<const char*>(buffer), size);
    }
};

} // namespace

TEST(SmallStringStream, SerialiseItemsRoundTrip)
{
    S out[3] = {S("first"), S(), S("a\0b", 3)};
    CMemoryStore store;
    CStream writer(store, true);
    SerialiseItems(writer, out, 3);
    EXPECT_EQ(store.m_strBytes, std::string("\5\0\0\0first\0\0\0\0\3\0\0\0a\0b", 20));

    S in[3] = {S("x"), S("y"), S("z")};
    CStream reader(store, false);
    SerialiseItems(reader, in, 3);
    EXPECT_EQ(in[0], "first");
    EXPECT_TRUE(IsSharedEmpty(in[1]));
    EXPECT_EQ(Bytes(in[2]), "a"); // the length ends at the first NUL read

    CMemoryStore bad;
    bad.m_strBytes = std::string("\xFF\xFF\xFF\xFF\7\0\0\0abc", 11);
    S items[2] = {S("keep"), S("keep")};
    CStream badReader(bad, false);
    try {
        SerialiseItems(badReader, items, 2);
        ADD_FAILURE() << "short read not reported";
    } catch (CBaseException* e) {
        e->Delete();
    }
    EXPECT_TRUE(items[0].IsEmpty()); // a negative length reads as 0
    EXPECT_EQ(items[1], "keep");
}

TEST(SmallStringWide, Conversion)
{
    EXPECT_EQ(S(L"Setup"), "Setup");
    EXPECT_EQ(S(L"Setup", 3), "Set");
    EXPECT_EQ(Bytes(S(L"a\0b", 3)), std::string("a\0b", 3));
#ifndef _WIN32
    // Outside the C locale's range the conversion fails as a whole,
    // whatever locale the program has chosen.
    EXPECT_TRUE(IsSharedEmpty(S(L"caf\u00e9")));
    EXPECT_TRUE(IsSharedEmpty(S(L"caf\u00e9", 4)));
    const std::string previous = setlocale(LC_CTYPE, nullptr);
    if (setlocale(LC_CTYPE, "C.UTF-8")) {
        EXPECT_TRUE(IsSharedEmpty(S(L"caf\u00e9")));
        setlocale(LC_CTYPE, previous.c_str());
    }
#endif
}

TEST(SmallStringThreads, CopiesAcrossThreadsKeepCountsExact)
{
    const S shared(Fresh("the quick brown fox jumps over the lazy dog"));
    const S pattern(Fresh("LAZY"));
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; t++) {
        threads.emplace_back([&, t]() {
            for (int i = 0; i < 2000; i++) {
                S copy(shared), pat;
                pat = pattern; // the first search of each copy races to store the table
                S edited(copy);
                edited.SetAt(0, 'T');
                edited += copy;
                if (copy.Find(pat) != 35 || copy.GetText() != shared.GetText() || edited.GetText()[0] != 'T')
                    failures[t]++;
            }
        });
    }
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
    EXPECT_EQ(Refs(shared), 1);
    EXPECT_EQ(Refs(pattern), 1);
    EXPECT_NE(pattern.GetData()->pFindData, nullptr);
    EXPECT_EQ(shared, "the quick brown fox jumps over the lazy dog");
}

TEST(SmallStringMemory, FailedAllocationsLeakAndCorruptNothing)
{
    // Each operation runs once per allocation it makes, that one failing;
    // all-or-nothing operations must leave the target as it was.
    const struct
    {
        bool bAtomic;
        std::function<void(S&, S&)> run;
    } ops[] = {
        {true, [](S& s, S&) { s += "tail"; }},
        {true, [](S& s, S&) { s.Insert(2, s.GetText() + 4); }},
        {true, [](S& s, S&) { s.Replace("a", "AAA"); }},
        {false, [](S& s, S&) { s.ReplaceNoCase("A", "bb"); }},
        {true, [](S& s, S&) { s.SetAt(0, 'z'); }},
        {true, [](S& s, S&) { s.Format("%s%s", s.GetText(), s.GetText()); }},
        {true, [](S& s, S&) { s.Addf("%d", 123); }},
        {true, [](S& s, S& p) { s.Find(p); }},
        {true, [](S& s, S& p) { p = s.Mid(1, 3) + s; }},
        {true, [](S& s, S&) { s.GetBuffer(100); }},
        {true, [](S& s, S&) { s = S(L"wide"); }},
    };
    for (size_t i = 0; i < sizeof ops / sizeof ops[0]; i++) {
        bool bDone = false;
        for (int k = 0; !bDone && k < 20; k++) {
            SCOPED_TRACE(std::to_string(i) + ": failing allocation " + std::to_string(k));
            CCountingAllocator counting;
            {
                S target(Fresh("banana")), shared(target), pattern(Fresh("nan"));
                counting.FailAt(counting.GetCalls() + k);
                try {
                    ops[i].run(target, pattern);
                    bDone = true;
                } catch (const std::bad_alloc&) {
                    if (ops[i].bAtomic) {
                        EXPECT_EQ(target, "banana");
                        EXPECT_EQ(pattern, "nan");
                    }
                }
                counting.FailAt(-1);
                EXPECT_EQ(shared, "banana");
                ExpectValid(target);
                ExpectValid(pattern);
            }
            EXPECT_EQ(counting.GetLiveBlocks(), 0);
        }
        EXPECT_TRUE(bDone);
    }
}
