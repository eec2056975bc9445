#include "SmallString.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "CriticalSection.h"
#include "FileStore.h"
#include "Memory.h"
#include "Platform.h"

namespace {

struct CEmptyBlock
{
    CSmallStringData hdr;
    char text[1];
};

// Constant-initialised, so strings built during static initialisation of
// other files already find it.
CEmptyBlock g_blkEmpty = {{-1, 0, 0, nullptr}, {0}};

// Never destroyed: static objects may still edit strings while the process
// is being torn down.
WinHelper::CCriticalSection& StringLock()
{
    alignas(WinHelper::CCriticalSection) static unsigned char s_store[sizeof(WinHelper::CCriticalSection)];
    static WinHelper::CCriticalSection* s_pcs = new (s_store) WinHelper::CCriticalSection();
    return *s_pcs;
}

inline int32_t Refs(const CSmallStringData* d)
{
    return __atomic_load_n(&d->nRefs, __ATOMIC_ACQUIRE);
}
inline bool IsNil(const CSmallStringData* d)
{
    return d == &g_blkEmpty.hdr;
}

// Lengths beyond what a block can describe fail like an allocation.
int CheckedLength(long long n)
{
    if (n < 0 || n > INT_MAX)
        throw std::bad_alloc();
    return (int)n;
}

void FreeBlock(CSmallStringData* d)
{
    KxFree(d->pFindData);
    KxFree(d);
}

// Within the block behind text (its capacity and NUL included)?
bool PointsInto(const char* p, const CSmallStringData* d)
{
    if (!p || IsNil(d))
        return false;
    const uintptr_t first = reinterpret_cast<uintptr_t>(d + 1);
    const uintptr_t u = reinterpret_cast<uintptr_t>(p);
    return u >= first && u <= first + (uintptr_t)d->nAllocLength;
}

// The start of the character after p, never past end.
inline const char* NextChar(const char* p, const char* end)
{
    const char* q = Mb::Inc(p);
    return q > end ? end : q;
}

inline void SetLength(CSmallStringData* d, int len)
{
    if (IsNil(d))
        return;
    d->nDataLength = len;
    d->Data()[len] = 0;
}

struct CVaListEnd
{
    va_list& args;
    ~CVaListEnd() { va_end(args); }
};

struct CHeapText
{
    char* p = nullptr;
    ~CHeapText() { KxFree(p); }
};

// Copies the text of src (up to srcLen, NUL-separated segments included)
// to dst with every occurrence of oldText replaced; dst may equal src when
// newLen <= oldLen. Returns the end of the output.
char* ReplaceSegments(char* dst, const char* src, int srcLen, const char* oldText, int oldLen, const char* newText,
                      int newLen)
{
    const char* end = src + srcLen;
    const char* seg = src;
    while (seg < end) {
        const char* segEnd = seg + strlen(seg);
        const char* p = seg;
        while (const char* hit = Mb::Str(p, oldText)) {
            memmove(dst, p, (size_t)(hit - p));
            dst += hit - p;
            memcpy(dst, newText, (size_t)newLen);
            dst += newLen;
            p = hit + oldLen;
        }
        memmove(dst, p, (size_t)(segEnd - p));
        dst += segEnd - p;
        if (segEnd < end)
            *dst++ = 0;
        seg = segEnd + 1;
    }
    return dst;
}

int CountSegmentMatches(const char* text, int len, const char* oldText, int oldLen)
{
    int count = 0;
    const char* end = text + len;
    for (const char* seg = text; seg < end; seg += strlen(seg) + 1)
        for (const char* p = seg; (p = Mb::Str(p, oldText)) != nullptr; p += oldLen)
            count++;
    return count;
}

} // namespace

// ---------------------------------------------------------------------------
// Blocks and sharing

const CSmallStringData* CSmallString::GetSharedEmpty()
{
    return &g_blkEmpty.hdr;
}

void CSmallString::Init()
{
    m_pchData = g_blkEmpty.text;
}

void CSmallString::AllocBuffer(int len)
{
    if (len <= 0) {
        Init();
        return;
    }
    auto* d = static_cast<CSmallStringData*>(KxAlloc(sizeof(CSmallStringData) + (size_t)len + 1));
    d->nRefs = 1;
    d->nDataLength = len;
    d->nAllocLength = len;
    d->pFindData = nullptr;
    d->Data()[len] = 0;
    m_pchData = d->Data();
}

void CSmallString::Release()
{
    CSmallStringData* d = GetData();
    if (IsNil(d))
        return;
    if (InterlockedDec(&d->nRefs) <= 0)
        FreeBlock(d);
    Init();
}

void CSmallString::Release(CSmallStringData* data)
{
    if (IsNil(data))
        return;
    WinHelper::CLock lock(StringLock());
    if (InterlockedDec(&data->nRefs) <= 0)
        FreeBlock(data);
}

void CSmallString::CopyBeforeWrite()
{
    CSmallStringData* d = GetData();
    // Only this object could raise a count of 1, so it needs no lock.
    if (Refs(d) <= 1)
        return;
    WinHelper::CLock lock(StringLock());
    // The copy is taken before the reference is dropped: another owner may
    // free the block the moment it is.
    AllocBuffer(d->nDataLength);
    if (!IsNil(GetData()))
        memcpy(m_pchData, d->Data(), (size_t)d->nDataLength + 1);
    Release(d);
}

void CSmallString::AllocBeforeWrite(int len)
{
    CSmallStringData* d = GetData();
    if (Refs(d) <= 1 && d->nAllocLength >= len)
        return;
    WinHelper::CLock lock(StringLock());
    AllocBuffer(len);
    Release(d);
}

void CSmallString::ClearFindData()
{
    CSmallStringData* d = GetData();
    // A shared block's text never changes, so its table stays valid for
    // the other owners.
    if (__atomic_load_n(&d->pFindData, __ATOMIC_ACQUIRE) && Refs(d) == 1) {
        KxFree(d->pFindData);
        d->pFindData = nullptr;
    }
}

void CSmallString::AllocCopy(CSmallString& dest, int count, int start, int extra) const
{
    CSmallStringData* old = dest.GetData();
    dest.AllocBuffer(CheckedLength((long long)count + extra));
    if (count > 0)
        memcpy(dest.m_pchData, m_pchData + start, (size_t)count);
    Release(old);
}

void CSmallString::AssignCopy(int len, const char* src)
{
    if (len < 0)
        len = 0;
    // A source inside this block must outlive a reallocation.
    CSmallString keep;
    if (PointsInto(src, GetData()))
        keep = *this;
    AllocBeforeWrite(len);
    CSmallStringData* d = GetData();
    if (IsNil(d))
        return;
    memmove(m_pchData, src, (size_t)len);
    SetLength(d, len);
    ClearFindData();
}

void CSmallString::ConcatCopy(int len1, const char* s1, int len2, const char* s2)
{
    CSmallStringData* old = GetData();
    AllocBuffer(CheckedLength((long long)len1 + len2));
    if (len1 > 0)
        memcpy(m_pchData, s1, (size_t)len1);
    if (len2 > 0)
        memcpy(m_pchData + len1, s2, (size_t)len2);
    Release(old);
}

void CSmallString::ConcatInPlace(int len, const char* src)
{
    if (len <= 0)
        return;
    ClearFindData();
    CSmallStringData* d = GetData();
    const int cur = d->nDataLength;
    const int total = CheckedLength((long long)cur + len);
    if (Refs(d) > 1 || d->nAllocLength < total) {
        AllocBuffer(total);
        memcpy(m_pchData, d->Data(), (size_t)cur);
        memcpy(m_pchData + cur, src, (size_t)len);
        Release(d);
    } else {
        memmove(m_pchData + cur, src, (size_t)len);
        SetLength(d, total);
    }
}

// ---------------------------------------------------------------------------
// Construction and assignment

CSmallString::CSmallString()
{
    Init();
}

CSmallString::CSmallString(const char* s)
{
    Init();
    // Values up to 0xFFFF are resource identifiers, not text.
    if (reinterpret_cast<uintptr_t>(s) > 0xFFFF && *s)
        AssignCopy(CheckedLength((long long)strlen(s)), s);
}

CSmallString::CSmallString(const char* s, int len)
{
    Init();
    if (s && len > 0) {
        AllocBuffer(len);
        memcpy(m_pchData, s, (size_t)len);
    }
}

CSmallString::CSmallString(const CSmallString& other)
{
    CSmallStringData* d = other.GetData();
    if (Refs(d) < 0) {
        Init();
        AssignCopy(d->nDataLength, other.m_pchData);
    } else {
        InterlockedInc(&d->nRefs);
        m_pchData = other.m_pchData;
    }
}

CSmallString::CSmallString(CSmallString&& other) noexcept
{
    m_pchData = other.m_pchData;
    other.Init();
}

CSmallString::~CSmallString()
{
    CSmallStringData* d = GetData();
    if (!IsNil(d) && InterlockedDec(&d->nRefs) <= 0)
        FreeBlock(d);
}

CSmallString& CSmallString::operator=(const CSmallString& other)
{
    if (m_pchData == other.m_pchData)
        return *this;
    CSmallStringData* d = GetData();
    CSmallStringData* od = other.GetData();
    if ((Refs(d) < 0 && !IsNil(d)) || Refs(od) < 0) {
        AssignCopy(od->nDataLength, other.m_pchData);
    } else {
        InterlockedInc(&od->nRefs);
        Release();
        m_pchData = other.m_pchData;
    }
    return *this;
}

CSmallString& CSmallString::operator=(CSmallString&& other) noexcept
{
    if (this != &other) {
        Release();
        m_pchData = other.m_pchData;
        other.Init();
    }
    return *this;
}

CSmallString& CSmallString::operator=(const char* s)
{
    if (!s)
        Empty();
    else
        AssignCopy(CheckedLength((long long)strlen(s)), s);
    return *this;
}

void CSmallString::Empty()
{
    WinHelper::CLock lock(StringLock());
    CSmallStringData* d = GetData();
    if (d->nDataLength == 0)
        return;
    if (Refs(d) < 0)
        AssignCopy(0, "");
    else
        Release();
}

CSmallString& CSmallString::operator+=(const char* s)
{
    if (s)
        ConcatInPlace(CheckedLength((long long)strlen(s)), s);
    return *this;
}

CSmallString& CSmallString::operator+=(char c)
{
    ConcatInPlace(1, &c);
    return *this;
}

CSmallString& CSmallString::operator+=(const CSmallString& s)
{
    ConcatInPlace(s.GetLength(), s.m_pchData);
    return *this;
}

CSmallString operator+(const CSmallString& a, const char* b)
{
    CSmallString result;
    if (!b)
        b = "";
    result.ConcatCopy(a.GetLength(), a.m_pchData, CheckedLength((long long)strlen(b)), b);
    return result;
}

CSmallString operator+(const char* a, const CSmallString& b)
{
    CSmallString result;
    if (!a)
        a = "";
    result.ConcatCopy(CheckedLength((long long)strlen(a)), a, b.GetLength(), b.m_pchData);
    return result;
}

CSmallString operator+(const CSmallString& a, const CSmallString& b)
{
    CSmallString result;
    result.ConcatCopy(a.GetLength(), a.m_pchData, b.GetLength(), b.m_pchData);
    return result;
}

bool CSmallString::IsSameNoCase(const CSmallString& other) const
{
    return GetLength() == other.GetLength() && Mb::ICmp(m_pchData, other.m_pchData) == 0;
}

// ---------------------------------------------------------------------------
// Buffer access

char* CSmallString::GetBuffer(int minLen)
{
    CSmallStringData* d = GetData();
    if (Refs(d) > 1 || d->nAllocLength < minLen) {
        const int len = d->nDataLength;
        AllocBuffer(minLen > len ? minLen : len);
        if (!IsNil(GetData())) {
            memcpy(m_pchData, d->Data(), (size_t)len + 1);
            GetData()->nDataLength = len;
        }
        Release(d);
    }
    return m_pchData;
}

void CSmallString::ReleaseBuffer(int len)
{
    CopyBeforeWrite();
    ClearFindData();
    CSmallStringData* d = GetData();
    if (IsNil(d))
        return;
    if (len < 0) {
        const void* nul = memchr(m_pchData, 0, (size_t)d->nAllocLength);
        len = nul ? (int)(static_cast<const char*>(nul) - m_pchData) : d->nAllocLength;
    }
    if (len > d->nAllocLength)
        len = d->nAllocLength;
    SetLength(d, len);
}

char* CSmallString::GetBufferSetLength(int len)
{
    if (len < 0)
        len = 0;
    ClearFindData();
    char* p = GetBuffer(len);
    SetLength(GetData(), len);
    return p;
}

void CSmallString::FreeExtra()
{
    CSmallStringData* d = GetData();
    if (d->nDataLength == d->nAllocLength)
        return;
    AllocBuffer(d->nDataLength);
    if (!IsNil(GetData()))
        memcpy(m_pchData, d->Data(), (size_t)d->nDataLength + 1);
    Release(d);
}

void CSmallString::SetAt(int pos, char c)
{
    CopyBeforeWrite();
    if (IsNil(GetData()))
        return;
    ClearFindData();
    m_pchData[pos] = c;
}

// ---------------------------------------------------------------------------
// Editing

int CSmallString::Insert(int pos, const char* s)
{
    const int len = GetLength();
    if (!s || !*s)
        return len;
    CSmallString copy;
    if (PointsInto(s, GetData())) {
        copy = CSmallString(s);
        s = copy.m_pchData;
    }
    const int sLen = CheckedLength((long long)strlen(s));
    if (pos < 0)
        pos = 0;
    if (pos > len)
        pos = len;
    const int total = CheckedLength((long long)len + sLen);
    CSmallStringData* d = GetData();
    if (Refs(d) > 1 || d->nAllocLength < total) {
        AllocBuffer(total);
        memcpy(m_pchData, d->Data(), (size_t)pos);
        memcpy(m_pchData + pos, s, (size_t)sLen);
        memcpy(m_pchData + pos + sLen, d->Data() + pos, (size_t)(len - pos));
        Release(d);
    } else {
        ClearFindData();
        memmove(m_pchData + pos + sLen, m_pchData + pos, (size_t)(len - pos) + 1);
        memcpy(m_pchData + pos, s, (size_t)sLen);
        d->nDataLength = total;
    }
    return total;
}

int CSmallString::Delete(int pos, int count)
{
    const int len = GetLength();
    if (pos < 0)
        pos = 0;
    if (count <= 0 || pos >= len)
        return len;
    if (count > len - pos)
        count = len - pos;
    CopyBeforeWrite();
    ClearFindData();
    memmove(m_pchData + pos, m_pchData + pos + count, (size_t)(len - pos - count) + 1);
    GetData()->nDataLength = len - count;
    return len;
}

int CSmallString::Replace(char chOld, char chNew)
{
    if (chOld == chNew)
        return 0;
    const char* end = m_pchData + GetLength();
    const char* p = m_pchData;
    while (p < end && *p != chOld)
        p = NextChar(p, end);
    if (p == end)
        return 0;
    const int first = (int)(p - m_pchData);
    CopyBeforeWrite();
    ClearFindData();
    int count = 0;
    end = m_pchData + GetLength();
    for (char* q = m_pchData + first; q < end; q = const_cast<char*>(NextChar(q, end))) {
        if (*q == chOld) {
            *q = chNew;
            count++;
        }
    }
    return count;
}

int CSmallString::Replace(const char* oldText, const char* newText)
{
    if (!oldText || !*oldText)
        return 0;
    if (!newText)
        newText = "";
    CSmallString oldCopy, newCopy;
    if (PointsInto(oldText, GetData())) {
        oldCopy = CSmallString(oldText);
        oldText = oldCopy.m_pchData;
    }
    if (PointsInto(newText, GetData())) {
        newCopy = CSmallString(newText);
        newText = newCopy.m_pchData;
    }
    const int len = GetLength();
    const int oldLen = CheckedLength((long long)strlen(oldText));
    const int newLen = CheckedLength((long long)strlen(newText));
    const int count = CountSegmentMatches(m_pchData, len, oldText, oldLen);
    if (count == 0)
        return 0;
    const int total = CheckedLength((long long)len + (long long)count * (newLen - oldLen));
    ClearFindData();
    CSmallStringData* d = GetData();
    if (Refs(d) > 1 || d->nAllocLength < total) {
        AllocBuffer(total);
        ReplaceSegments(m_pchData, d->Data(), len, oldText, oldLen, newText, newLen);
        Release(d);
    } else if (newLen <= oldLen) {
        ReplaceSegments(m_pchData, m_pchData, len, oldText, oldLen, newText, newLen);
        SetLength(d, total);
    } else {
        // Growing inside spare capacity: the output would overrun unread
        // input, so read from a copy.
        CSmallString source(m_pchData, len);
        ReplaceSegments(m_pchData, source.m_pchData, len, oldText, oldLen, newText, newLen);
        SetLength(d, total);
    }
    return count;
}

int CSmallString::ReplaceNoCase(const char* oldText, const char* newText)
{
    if (!oldText || !*oldText)
        return 0;
    const CSmallString pattern(oldText);
    const CSmallString replacement(newText);
    const int oldLen = pattern.GetLength();
    const int newLen = replacement.GetLength();
    int count = 0;
    for (int p = Find(pattern, 0); p != -1; p = Find(pattern, p + newLen)) {
        Delete(p, oldLen);
        Insert(p, replacement);
        count++;
    }
    return count;
}

int CSmallString::Replace(const char* oldText, unsigned n)
{
    char text[32];
    Mb::SNPrintf(text, sizeof text, "%d", (int)n);
    return Replace(oldText, text);
}

int CSmallString::ReplaceNoCase(const char* oldText, unsigned n)
{
    char text[32];
    Mb::SNPrintf(text, sizeof text, "%d", (int)n);
    return ReplaceNoCase(oldText, text);
}

int CSmallString::Remove(char c)
{
    const char* end = m_pchData + GetLength();
    const char* p = m_pchData;
    while (p < end && *p != c)
        p = NextChar(p, end);
    if (p == end)
        return 0;
    const int first = (int)(p - m_pchData);
    CopyBeforeWrite();
    ClearFindData();
    const int len = GetLength();
    end = m_pchData + len;
    char* dst = m_pchData + first;
    for (const char* src = dst; src < end;) {
        const char* next = NextChar(src, end);
        if (*src != c) {
            memmove(dst, src, (size_t)(next - src));
            dst += next - src;
        }
        src = next;
    }
    const int removed = (int)(end - dst);
    SetLength(GetData(), len - removed);
    return removed;
}

bool CSmallString::Remove(const char* s)
{
    if (!s || !*s || !Mb::Str(m_pchData, s))
        return false;
    CSmallString copy;
    if (PointsInto(s, GetData())) {
        copy = CSmallString(s);
        s = copy.m_pchData;
    }
    CopyBeforeWrite();
    ClearFindData();
    const bool removed = strremove(m_pchData, s);
    SetLength(GetData(), (int)strlen(m_pchData));
    return removed;
}

bool CSmallString::RemoveNoCase(const char* s)
{
    if (!s || !*s || !stristr(m_pchData, s))
        return false;
    CSmallString copy;
    if (PointsInto(s, GetData())) {
        copy = CSmallString(s);
        s = copy.m_pchData;
    }
    CopyBeforeWrite();
    ClearFindData();
    const bool removed = striremove(m_pchData, s);
    SetLength(GetData(), (int)strlen(m_pchData));
    return removed;
}

void CSmallString::DeleteUpTo(const char* s)
{
    const int p = Find(CSmallString(s), 0);
    if (p != -1)
        Delete(0, p);
}

void CSmallString::DeleteAfter(const char* s)
{
    const int p = Find(CSmallString(s), 0);
    if (p != -1)
        Delete(p, GetLength() - p);
}

void CSmallString::TrimLeft()
{
    const int len = GetLength();
    const char* end = m_pchData + len;
    const char* p = m_pchData;
    while (p < end && Mb::IsSpace((unsigned char)*p))
        p = NextChar(p, end);
    const int n = (int)(p - m_pchData);
    if (n == 0)
        return;
    CopyBeforeWrite();
    ClearFindData();
    memmove(m_pchData, m_pchData + n, (size_t)(len - n) + 1);
    GetData()->nDataLength = len - n;
}

void CSmallString::TrimRight()
{
    const char* end = m_pchData + GetLength();
    const char* trail = nullptr;
    for (const char* p = m_pchData; p < end; p = NextChar(p, end)) {
        if (!Mb::IsSpace((unsigned char)*p))
            trail = nullptr;
        else if (!trail)
            trail = p;
    }
    if (!trail)
        return;
    const int n = (int)(trail - m_pchData);
    CopyBeforeWrite();
    ClearFindData();
    SetLength(GetData(), n);
}

void CSmallString::TrimBoth()
{
    ClearFindData();
    TrimRight();
    TrimLeft();
}

// The skip table is case-independent, so the case changes keep it.
void CSmallString::MakeUpper()
{
    if (IsEmpty())
        return;
    CopyBeforeWrite();
    Mb::Upr(m_pchData);
}

void CSmallString::MakeLower()
{
    if (IsEmpty())
        return;
    CopyBeforeWrite();
    Mb::Lwr(m_pchData);
}

void CSmallString::MakeUpper(int n)
{
    if (n <= 0 || IsEmpty())
        return;
    CopyBeforeWrite();
    const int len = GetLength();
    for (int i = 0; i < n && i < len; i++)
        m_pchData[i] = (char)Mb::ToUpper((unsigned char)m_pchData[i]);
}

void CSmallString::Format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    CVaListEnd end{args};
    if (!fmt)
        fmt = "";
    // Formatted into a block of its own, so the string may be one of its
    // own arguments.
    CSmallString result;
    for (int size = 1024;; size = CheckedLength(2LL * size)) {
        result.AllocBeforeWrite(size);
        va_list attempt;
        va_copy(attempt, args);
        const int n = Mb::VSNPrintf(result.m_pchData, (size_t)size - 1, fmt, attempt);
        va_end(attempt);
        if (n >= 0) {
            SetLength(result.GetData(), n);
            break;
        }
    }
    std::swap(m_pchData, result.m_pchData);
}

void CSmallString::Addf(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    CVaListEnd end{args};
    if (!fmt)
        fmt = "";
    CHeapText text;
    for (int size = 1024;; size = CheckedLength(2LL * size)) {
        KxFree(text.p);
        text.p = nullptr;
        text.p = static_cast<char*>(KxAlloc((size_t)size));
        va_list attempt;
        va_copy(attempt, args);
        const int n = Mb::VSNPrintf(text.p, (size_t)size - 1, fmt, attempt);
        va_end(attempt);
        if (n >= 0) {
            text.p[n] = 0;
            break;
        }
    }
    *this += text.p;
    ClearFindData();
}

// ---------------------------------------------------------------------------
// Extraction

CSmallString CSmallString::Mid(int start, int count) const
{
    const int len = GetLength();
    if (start < 0)
        start = 0;
    if (count < 0)
        count = 0;
    if (start > len)
        return CSmallString();
    if (count > len - start)
        count = len - start;
    if (start == 0 && count == len)
        return *this;
    CSmallString result;
    AllocCopy(result, count, start, 0);
    return result;
}

CSmallString CSmallString::MidPoints(int first, int last) const
{
    const int len = GetLength();
    if (len == 0)
        return CSmallString();
    if (first < 0)
        first = 0;
    if (first > len - 1)
        first = len - 1;
    if (last < 0)
        last = 0;
    if (last > len - 1)
        last = len - 1;
    if (last < first)
        return CSmallString();
    if (first == 0 && last == len - 1)
        return *this;
    CSmallString result;
    AllocCopy(result, last - first + 1, first, 0);
    return result;
}

// ---------------------------------------------------------------------------
// Streams

void SerialiseItems(CStream& stream, CSmallString* items, unsigned count)
{
    for (unsigned i = 0; i < count; i++) {
        CSmallString& item = items[i];
        if (stream.IsStoring()) {
            const uint32_t len = (uint32_t)item.GetLength();
            stream.WriteU32(len);
            stream.Write(item.GetText(), len);
            continue;
        }
        const int32_t n = (int32_t)stream.ReadU32();
        if (n <= 0) {
            item.Empty();
            continue;
        }
        // Read into a string of its own: a failed read leaves the item as
        // it was.
        CSmallString text;
        char* p = text.GetBuffer(n);
        stream.Read(p, (uint32_t)n);
        p[n] = 0;
        text.ReleaseBuffer(-1);
        item = text;
    }
}
