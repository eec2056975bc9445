// Tells a complete document from a damaged one. CXMLDocument reads anything
// (a cut-off file loads as if it were whole), so whoever must not act on half
// a document asks here first.
#pragma once

struct SXMLProblem
{
    unsigned uLine;   // 1-based
    unsigned uColumn; // 1-based, in bytes
    char szMessage[112];
};

// True when data holds exactly one root element, properly nested and closed,
// with nothing cut short and only blanks, comments, processing instructions
// and a DOCTYPE around it. Markup that the lenient reader would split
// differently (a '<' or '>' in a comment, an element name it would drop) is
// refused too, so a document that passes loads as it reads here.
// strict adds the rules for hand-written scripts: attribute values in double
// quotes, no attribute twice, '&' only in a reference the reader knows, no '<'
// in a value, an XML declaration only at the start.
// Otherwise problem says where (the start of the faulty markup) and what.
bool CheckXMLWellFormed(const char* data, unsigned length, bool strict, SXMLProblem& problem);
