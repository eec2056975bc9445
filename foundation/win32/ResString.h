// A string-table text of the program's own module, loaded on first use.
#pragma once

class CResString
{
public:
    explicit CResString(unsigned id) : m_uID(id) {}
    CResString(const CResString&) = delete;
    CResString& operator=(const CResString&) = delete;
    virtual ~CResString();

    // Null (and length 0) while the resource is missing; asks again next time.
    operator const char*() { return Load(); }
    operator char*() { return Load(); }
    int GetLength()
    {
        Load();
        return m_nLength;
    }

private:
    char* Load();

    unsigned m_uID;
    char* m_pszText = nullptr;
    int m_nLength = 0;
};
