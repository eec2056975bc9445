#include "ScriptReport.h"

#include <cstdarg>

#include "XMLNode.h"

void CScriptReport::Add(const char* kind, const char* fmt, va_list args)
{
    char text[2048];
    vsnprintf(text, sizeof(text), fmt, args);
    m_arrLines.push_back(m_strScript + ": " + kind + ": " + text);
}

void CScriptReport::Error(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    Add("error", fmt, args);
    va_end(args);
    m_uErrors++;
}

void CScriptReport::Warning(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    Add("warning", fmt, args);
    va_end(args);
    m_uWarnings++;
}

void CScriptReport::Print(FILE* out) const
{
    for (const std::string& line : m_arrLines)
        fprintf(out, "%s\n", line.c_str());
}

std::string DescribeElement(const CXMLNode* element, unsigned index)
{
    return "element " + std::to_string(index + 1) + " <" + element->GetName().GetText() + ">";
}
