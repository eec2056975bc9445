// What the packer found in a script: errors stop a build, warnings don't.
// Each line starts like a compiler's, "FILE:LINE:COLUMN: error: ...", so
// that editors and publishers find the place.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "ScriptPlaces.h"

class CScriptReport
{
public:
    explicit CScriptReport(const char* scriptName) : m_strScript(scriptName ? scriptName : "script") {}

    // About the script as a whole.
    void Error(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void Warning(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    // About one place in it (or in the file the place names).
    void Error(const SPlace& at, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
    void Warning(const SPlace& at, const char* fmt, ...) __attribute__((format(printf, 3, 4)));

    unsigned GetErrorCount() const { return m_uErrors; }
    unsigned GetWarningCount() const { return m_uWarnings; }
    // In the order of the text: the script's whole first, then by line and
    // column, then the uninstall script's.
    void Print(FILE* out) const;

private:
    void Add(const SPlace& at, const char* kind, const char* fmt, va_list args);

    struct SLine
    {
        bool bOtherFile; // an uninstall script's lines follow the script's
        unsigned uLine, uColumn;
        std::string strText;
    };

    std::string m_strScript;
    std::vector<SLine> m_arrLines;
    unsigned m_uErrors = 0;
    unsigned m_uWarnings = 0;
};

class CXMLNode;

// "element 3 <file>": where a child stands in its section, counted from 1.
std::string DescribeElement(const CXMLNode* element, unsigned index);
// "<file>" when the place tells where it is, else DescribeElement's.
std::string DescribeElement(const CXMLNode* element, unsigned index, const SPlace& at);
