// Translations of the installer's texts: the file a publisher writes (UTF-8,
// one "ID = text" per line), the texts' printf conversions that a
// translation must keep, and which of the carried languages serves a user.
#pragma once

#include "Containers.h"
#include "SmallString.h"

namespace Translation {

struct SEntry
{
    CSmallString strKey;  // as written: a name (IDS_NEXT) or, packed, a number
    CSmallString strText; // unescaped
    unsigned uLine = 0;
};

// Reads a translation file: "#" starts a comment line, blank lines are
// skipped, a byte order mark is allowed. False, with the line and the
// reason in error, for a line without " = " or a text that is not UTF-8.
bool Parse(const char* text, unsigned length, Container::CArray<SEntry>& entries, CSmallString& error);

// A text as one line of the file: "\n", "\t" and "\\" stand for a line
// break, a tab and a backslash, "\s" for a space (Escape writes one for a
// space at either end, which XML and editors would trim).
CSmallString Escape(const char* text);
CSmallString Unescape(const char* text);

// The conversions a format text takes, in order, such as "s,d,lu"; "%%"
// takes none. Texts shown without formatting have none to compare.
CSmallString Conversions(const char* text);

// Which of available (language codes such as "de" or "pt-BR") serves
// wanted ("de-AT"): the same code, else its primary language ("de"), else
// another of the same primary language ("pt-PT" is served by "pt-BR"),
// but never across Chinese scripts. Codes compare without regard to case.
// -1 when none does.
int Choose(const char* wanted, const Container::CArray<CSmallString>& available);

// Arabic, Hebrew and the other languages written right to left.
bool IsRightToLeft(const char* code);

// A language code as scripts and /LANG= write it: letters, digits and
// dashes, starting with two or three letters.
bool IsLanguageCode(const char* code);

} // namespace Translation
