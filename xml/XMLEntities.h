// The character entities the reader decodes.
#pragma once

struct SXMLEntity
{
    const char* pszName;
    unsigned char uCode;
};

// nbsp, quot, amp, lt, gt, apos, tab, then the Latin-1 names 161..255.
extern const SXMLEntity g_arrCharacters[];
extern const unsigned g_uCharacterCount;

// Built once per process and only read afterwards, so every parser may
// share it.
class CXMLEntityTables
{
public:
    static const CXMLEntityTables& Get();

    // Decodes a name (without '&' and ';'); false when it is not an entity.
    // The table's exact spelling wins; any other spelling takes the code of
    // the last row that differs only in case.
    bool Lookup(const char* name, char& c) const;
    // The table's name for a character, or null.
    const char* NameOf(char c) const { return m_apszNames[(unsigned char)c]; }

private:
    CXMLEntityTables();

    const char* m_apszNames[256] = {};
};

// Reads an entity whose '&' lies just before pos, stopping at ';' (taken)
// or end. On success c is the character and pos is past the entity; on
// failure pos is unchanged and the '&' is meant to stay literal.
bool ReadXMLEntity(const char*& pos, const char* end, char& c);
