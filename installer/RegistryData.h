// The data of a typed registry value from the script's text; portable, so
// that the packer's check refuses what the engine could not write.
#pragma once

#include "Containers.h"
#include "ScriptWords.h"
#include "SmallString.h"

enum ERegValueType
{
#define KX_REG_TYPE_ENUM(id, word, number) RegValue##id,
    KX_REG_VALUE_TYPES(KX_REG_TYPE_ENUM)
#undef KX_REG_TYPE_ENUM
};

// The type word in any case (blanks around ignored); absent or empty is
// string. False for any other word.
bool ParseRegValueType(const char* word, ERegValueType& type);
// The type words as a message lists them: "string, expand, ... or binary".
CSmallString RegValueTypeWords();
// The registry's number for the type (REG_SZ, REG_DWORD, ...).
unsigned GetRegTypeNumber(ERegValueType type);

// The bytes the registry is given for text read as type: strings with
// their NUL (multi: each, then one more; kMultiSeparator between them in
// the text), dword and qword little-endian from a decimal or 0x number,
// binary from pairs of hex digits (blanks and commas between bytes
// allowed). False with why when the text isn't one of the type.
bool EncodeRegValue(ERegValueType type, const CSmallString& text, Container::CArray<unsigned char>& data,
                    CSmallString& why);
