// How a build-time variable is written in a text: ${NAME}, with $${ for a
// literal "${". Every other '$' stands for itself.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct SVariablePiece
{
    enum EKind
    {
        Plain,     // text as written
        Reference, // ${NAME}
        Escape,    // $${, which stands for "${"
        Broken,    // a "${" that starts no ${NAME}
    };
    EKind eKind;
    size_t uStart, uLength; // in the text
    std::string strName;    // of a Reference
};

// Letters, digits, '_', '-' and '.'; at least one.
bool IsVariableName(const char* name);

// The text in pieces, in order; together they cover it.
std::vector<SVariablePiece> SplitVariables(const char* text, size_t length);

// What a Broken piece's "${" would have to be.
const char* BrokenVariableAdvice();
