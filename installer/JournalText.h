// The text of a run's journal on the disk: one record a line, its fields
// separated by tabs, each line ended by a line feed. A backslash, tab, CR or
// LF inside a field is written \\, \t, \r or \n, so that no field can end
// its line or split it. The journal is appended to while its run works:
// a last line without its end was cut short (a crash, a kill) and doesn't
// count. Portable, so that the format is tested on both builds.
#pragma once

#include "Containers.h"
#include "SmallString.h"

namespace JournalText {

typedef Container::CArray<CSmallString> CFields;

// One line of the fields, its end included.
CSmallString FormatLine(const CSmallString* fields, unsigned count);

// The whole lines of text, each as its fields. A line with a broken escape
// (a backslash before anything but \, t, r, n) is dropped, as is the last
// one when the text doesn't end with a line feed.
void ParseLines(const char* text, unsigned length, Container::CArray<CFields>& lines);

// Bytes as two lower-case hex digits each, and back; false for anything
// but pairs of hex digits.
CSmallString ToHex(const unsigned char* data, unsigned size);
bool FromHex(const char* text, Container::CArray<unsigned char>& data);

} // namespace JournalText
