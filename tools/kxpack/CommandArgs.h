// One reading of every kxpack command's arguments, as compilers read
// theirs: options before or after the operands, "--name value" or
// "--name=value", a one-letter option's value also joined to it ("-DNAME=1",
// "-oout.exe"), and "--" before operands that start with "-".
#pragma once

#include <vector>

#include "SmallString.h"

enum EOptionKind
{
    OptionFlag,   // --force
    OptionValue,  // -o OUT, once
    OptionRepeat, // --item FILE, as often as wanted
};

struct SOptionRule
{
    const char* pszName;  // "-o", "--item"
    const char* pszAlias; // "--define" for "-D"; null: none
    EOptionKind eKind;
};

class CCommandArgs
{
public:
    // Reads argv[first, argc) against a command's options, taking at most
    // maxOperands operands. False, with why, for an unknown option, one
    // without its value, a value option given twice or an operand too many.
    bool Parse(int argc, char** argv, int first, const std::vector<SOptionRule>& options, unsigned maxOperands,
               CSmallString& why);

    // By the option's name (never its alias).
    bool Has(const char* option) const;
    // The value given; null when the option wasn't.
    const char* Value(const char* option) const;
    // Each value given, in the order given.
    std::vector<const char*> Values(const char* option) const;
    const std::vector<const char*>& Operands() const { return m_arrOperands; }

private:
    struct SGiven
    {
        const char* pszOption; // the rule's name
        const char* pszValue;  // null for a flag
    };

    std::vector<SGiven> m_arrGiven;
    std::vector<const char*> m_arrOperands;
};
