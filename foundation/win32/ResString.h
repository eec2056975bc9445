// A string-table text of the program's own module, loaded on first use, or
// its translation into the language the run speaks.
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

// The run's language: texts that take the string table's place, in the
// process's code page. Set before any window opens, from one thread.
void SetTranslatedText(unsigned id, const char* text);
void ClearTranslatedTexts();
// Null where the string table's English counts.
const char* GetTranslatedText(unsigned id);
