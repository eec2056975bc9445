// What the packer found in a script: errors stop a build, warnings don't.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

class CScriptReport
{
public:
    explicit CScriptReport(const char* scriptName) : m_strScript(scriptName ? scriptName : "script") {}

    void Error(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void Warning(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    unsigned GetErrorCount() const { return m_uErrors; }
    unsigned GetWarningCount() const { return m_uWarnings; }
    const std::vector<std::string>& GetLines() const { return m_arrLines; }
    void Print(FILE* out) const;

private:
    void Add(const char* kind, const char* fmt, va_list args);

    std::string m_strScript;
    std::vector<std::string> m_arrLines;
    unsigned m_uErrors = 0;
    unsigned m_uWarnings = 0;
};

class CXMLNode;

// "element 3 <file>": where a child stands in its section, counted from 1.
std::string DescribeElement(const CXMLNode* element, unsigned index);
