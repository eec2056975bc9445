#include "ScriptReport.h"

#include <algorithm>

#include "XMLNode.h"

void CScriptReport::Add(const SPlace& at, const char* kind, const char* fmt, va_list args)
{
    char text[2048];
    vsnprintf(text, sizeof(text), fmt, args);
    std::string line = at.pszFile ? at.pszFile : m_strScript;
    if (at.uLine)
        line += ":" + std::to_string(at.uLine);
    if (at.uLine && at.uColumn)
        line += ":" + std::to_string(at.uColumn);
    m_arrLines.push_back(SLine{at.pszFile != nullptr, at.uLine, at.uColumn, line + ": " + kind + ": " + text});
}

#define KX_REPORT(kind, counter, at)                                                                                   \
    va_list args;                                                                                                      \
    va_start(args, fmt);                                                                                               \
    Add(at, kind, fmt, args);                                                                                          \
    va_end(args);                                                                                                      \
    counter++;

void CScriptReport::Error(const char* fmt, ...) { KX_REPORT("error", m_uErrors, SPlace()) }
void CScriptReport::Warning(const char* fmt, ...) { KX_REPORT("warning", m_uWarnings, SPlace()) }
void CScriptReport::Error(const SPlace& at, const char* fmt, ...) { KX_REPORT("error", m_uErrors, at) }
void CScriptReport::Warning(const SPlace& at, const char* fmt, ...) { KX_REPORT("warning", m_uWarnings, at) }

#undef KX_REPORT

void CScriptReport::Print(FILE* out) const
{
    std::vector<SLine> lines = m_arrLines;
    std::stable_sort(lines.begin(), lines.end(), [](const SLine& a, const SLine& b) {
        if (a.bOtherFile != b.bOtherFile)
            return b.bOtherFile;
        return a.uLine != b.uLine ? a.uLine < b.uLine : a.uColumn < b.uColumn;
    });
    for (const SLine& line : lines)
        fprintf(out, "%s\n", line.strText.c_str());
}

std::string DescribeElement(const CXMLNode* element, unsigned index)
{
    return "element " + std::to_string(index + 1) + " <" + element->GetName().GetText() + ">";
}

std::string DescribeElement(const CXMLNode* element, unsigned index, const SPlace& at)
{
    return at.uLine ? std::string("<") + element->GetName().GetText() + ">" : DescribeElement(element, index);
}
