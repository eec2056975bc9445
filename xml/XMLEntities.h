// The character entities the reader decodes. The tables are built once per
// process and only read afterwards, so every parser may share them.
#pragma once

#include "Containers.h"

struct SXMLEntity
{
    const char* pszName;
    unsigned char uCode;
};

// nbsp, quot, amp, lt, gt, apos, tab, then the Latin-1 names 161..255.
extern const SXMLEntity g_arrCharacters[];
extern const unsigned g_uCharacterCount;

class CXMLEntityTables
{
public:
    static const CXMLEntityTables& Get();

    // Decodes a name (without '&' and ';'); false when it is not an entity.
    bool Lookup(const char* name, char& c) const;
    // The table's name for a character, or null.
    const char* NameOf(char c) const;

    const Container::CMap<const char*, char>& GetCharacters() const { return m_mapCharacters; }
    const Container::CMap<char, const char*>& GetNames() const { return m_mapNames; }

private:
    CXMLEntityTables();

    Container::CMap<const char*, char> m_mapCharacters;
    Container::CMap<char, const char*> m_mapNames;
    // Rows whose exact spelling outranks the map, where two names differ
    // only in case: chained per the code the map gives for them.
    short m_anExactFirst[256];
    short m_anExactNext[128];
    // Every row by its exact spelling (open addressing, -1 for none): a
    // name typed as the table has it, the usual case, takes its row's code
    // without the case-blind map.
    short m_anSpelling[256];
};

// Reads an entity whose '&' lies just before pos, stopping at ';' (taken)
// or end. On success c is the character and pos is past the entity; on
// failure pos is unchanged and the '&' is meant to stay literal.
bool ReadXMLEntity(const char*& pos, const char* end, char& c);

// atol with a 32-bit long over length bytes: leading blanks and a sign,
// clamped on overflow.
long ParseLong32(const char* text, size_t length);
