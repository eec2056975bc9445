// CSmallString: the program's one 8-bit string. One pointer wide; the text
// lives in a reference-counted heap block behind a small header, shared
// between copies and copied before the first write.
#pragma once

#include <cstdint>

class CStream;

struct CSmallStringData
{
    // Changed only through InterlockedInc/InterlockedDec. Not volatile, so
    // the static empty block is constant-initialised.
    int32_t nRefs;            // -1: never shared (the shared empty string)
    int32_t nDataLength;      // bytes of text, without the NUL
    int32_t nAllocLength;     // capacity in bytes, without the NUL
    uint32_t* pFindData;      // cached 256-entry skip table, or null

    char* Data() { return reinterpret_cast<char*>(this + 1); }
};

class CSmallString
{
public:
    CSmallString();
    CSmallString(const char* s);
    CSmallString(const char* s, int len);
    CSmallString(const wchar_t* s, int cch);
    CSmallString(const wchar_t* s);
    CSmallString(const CSmallString& other);
    CSmallString(CSmallString&& other) noexcept;
    ~CSmallString();

    CSmallString& operator=(const CSmallString& other);
    CSmallString& operator=(CSmallString&& other) noexcept;
    CSmallString& operator=(const char* s);

    int GetLength() const { return GetData()->nDataLength; }
    bool IsEmpty() const { return GetData()->nDataLength == 0; }
    operator const char*() const { return m_pchData; }
    const char* GetText() const { return m_pchData; }
    char GetAt(int pos) const { return m_pchData[pos]; }

    void Empty();

    CSmallString& operator+=(const char* s);
    CSmallString& operator+=(char c);
    CSmallString& operator+=(const CSmallString& s);

    friend CSmallString operator+(const CSmallString& a, const char* b);
    friend CSmallString operator+(const char* a, const CSmallString& b);
    friend CSmallString operator+(const CSmallString& a, const CSmallString& b);

    bool IsSameNoCase(const CSmallString& other) const;

    // Buffer access
    char* GetBuffer(int minLen);
    void ReleaseBuffer(int len = -1);
    char* GetBufferSetLength(int len);
    void FreeExtra();
    void SetAt(int pos, char c);

    // Editing
    int Insert(int pos, const char* s);
    int Delete(int pos, int count = 1);
    int Replace(char chOld, char chNew);
    int Replace(const char* oldText, const char* newText);
    int ReplaceNoCase(const char* oldText, const char* newText);
    int Replace(const char* oldText, unsigned n);
    int ReplaceNoCase(const char* oldText, unsigned n);
    int Remove(char c);
    bool Remove(const char* s);
    bool RemoveNoCase(const char* s);
    void DeleteUpTo(const char* s);
    void DeleteAfter(const char* s);
    void TrimLeft();
    void TrimRight();
    void TrimBoth();
    void MakeUpper();
    void MakeLower();
    void MakeUpper(int n);
    void Format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void Addf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    // Extraction
    CSmallString Mid(int start, int count) const;
    CSmallString MidPoints(int first, int last) const;

    // Searching: the argument is the pattern; -1 when nothing is found.
    int Find(const CSmallString& pat, int start = 0) const;
    int FindSameCase(const CSmallString& pat, int start = 0) const;
    int FindWholeWord(const CSmallString& pat, int start = 0) const;
    int FindWholeWordSameCase(const CSmallString& pat, int start = 0) const;
    int FindReverse(const CSmallString& pat, int fromEnd = 0) const;

    // For tests and diagnostics: the block this string points at.
    CSmallStringData* GetData() const { return reinterpret_cast<CSmallStringData*>(m_pchData) - 1; }
    static const CSmallStringData* GetSharedEmpty();

protected:
    void Init();
    void AllocBuffer(int len);
    void Release();
    static void Release(CSmallStringData* data);
    void CopyBeforeWrite();
    void AllocBeforeWrite(int len);
    void AllocCopy(CSmallString& dest, int count, int start, int extra) const;
    void AssignCopy(int len, const char* src);
    void ConcatCopy(int len1, const char* s1, int len2, const char* s2);
    void ConcatInPlace(int len, const char* src);
    void ClearFindData();
    const uint32_t* GetFindTable() const;

    char* m_pchData;
};

// Byte comparisons (strcmp), handy in tests and lookups.
inline bool operator==(const CSmallString& a, const char* b) { return __builtin_strcmp(a, b ? b : "") == 0; }
inline bool operator!=(const CSmallString& a, const char* b) { return !(a == b); }

// Skip table of the Horspool searches: 256 shifts, case-independent. The
// caller frees it with KxFree; null for an empty pattern.
uint32_t* InitFindNoCase(const char* pattern, int len);

// The forward searches on raw text; table comes from InitFindNoCase.
int Find(const char* text, int textLen, const uint32_t* table, const char* pat, int patLen, int start);
int FindSameCase(const char* text, int textLen, const uint32_t* table, const char* pat, int patLen, int start);
int FindWholeWord(const char* text, int textLen, const uint32_t* table, const char* pat, int patLen, int start);
int FindWholeWordSameCase(const char* text, int textLen, const uint32_t* table, const char* pat, int patLen,
                          int start);

bool strremove(char* buf, const char* pat);
bool striremove(char* buf, const char* pat);
const char* stristr(const char* text, const char* pat);
const char* strirstr(const char* text, const char* pat, int fromEnd);

void SerialiseItems(CStream& stream, CSmallString* items, unsigned count);
