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

// Decodes a name (without '&' and ';'); false when it is not an entity.
// The table's exact spelling wins; any other spelling takes the code of the
// last row that differs only in case. The table is constant data, so every
// parser may read it at once.
bool LookupXMLEntity(const char* name, char& c);

// Reads an entity whose '&' lies just before pos, stopping at ';' (taken)
// or end. On success c is the character and pos is past the entity; on
// failure pos is unchanged and the '&' is meant to stay literal.
bool ReadXMLEntity(const char*& pos, const char* end, char& c);
