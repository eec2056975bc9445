// The text under a script: UTF-8, and XML the reader takes as written.
#include <cstring>
#include <string>

#include "Platform.h"
#include "ScriptCheck.h"
#include "XMLWellFormed.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// What to write instead, for the faults a hand-written script has most.
const char* Advice(const char* problem)
{
    static const struct
    {
        const char* pszFault;
        const char* pszAdvice;
    } s_advice[] = {
        {"is not closed", "end its start tag with \"/>\" or add its end tag"},
        {"does not match", "close the element opened last first (\"/>\" or its end tag)"},
        {"attribute value is not in double quotes", "write name=\"value\""},
        {"attribute has no value", "write name=\"value\""},
        {"attribute value has no closing quote", "end the value with \""},
        {"attribute appears twice", "keep one of them"},
        {"does not start a known reference", "write &amp; for a plain &"},
        {"'<' inside an attribute value", "write &lt; for a plain <"},
        {"runs to the end of the text", "the text is cut short: complete it"},
    };
    for (const auto& advice : s_advice)
        if (strstr(problem, advice.pszFault))
            return advice.pszAdvice;
    return nullptr;
}

// <?xml ... encoding="..."?> at the start, when it names anything but UTF-8.
void CheckDeclaration(const CSmallString& text, const CScriptPlaces& lines, CScriptReport& report)
{
    const char* const start = text.GetText();
    const char* p = start;
    if (!strncmp(p, "\xEF\xBB\xBF", 3))
        p += 3;
    if (strncmp(p, "<?xml", 5) != 0 || !IsBlank(p[5]))
        return;
    const char* const end = strstr(p, "?>");
    for (const char* q = p + 5; end && (q = strstr(q, "encoding")) && q < end; q += 8) {
        if (!IsBlank(q[-1]))
            continue;
        const char* v = q + 8;
        while (IsBlank(*v))
            v++;
        if (*v++ != '=')
            return;
        while (IsBlank(*v))
            v++;
        const char quote = *v;
        const char* const close = quote == '"' || quote == '\'' ? strchr(v + 1, quote) : nullptr;
        if (!close || close > end)
            return; // the XML check reports it
        const std::string encoding(v + 1, close);
        if (Mb::ICmp(encoding.c_str(), "UTF-8") != 0)
            report.Error(lines.At((size_t)(v - start)),
                         "the XML declaration names the encoding \"%s\", but scripts are read as UTF-8: save the "
                         "file as UTF-8 and write encoding=\"UTF-8\" (or leave encoding out)",
                         encoding.c_str());
        return;
    }
}

} // namespace

bool CheckScriptText(const CSmallString& text, const char* file, CScriptReport& report)
{
    const CScriptPlaces lines(text.GetText(), (unsigned)text.GetLength(), file);
    const unsigned char* const bytes = reinterpret_cast<const unsigned char*>(text.GetText());
    if (text.GetLength() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
        report.Error(lines.At(0), "the text is UTF-16: save it as UTF-8");
        return false;
    }
    CheckDeclaration(text, lines, report);
    SXMLProblem problem;
    if (CheckXMLWellFormed(text.GetText(), (unsigned)text.GetLength(), true, problem))
        return true;
    SPlace at;
    at.pszFile = file;
    at.uLine = problem.uLine;
    at.uColumn = problem.uColumn;
    const char* advice = Advice(problem.szMessage);
    report.Error(at, "not well-formed XML: %s%s%s", problem.szMessage, advice ? ": " : "", advice ? advice : "");
    // Faults of the strict rules alone leave the structure as written.
    SXMLProblem structural;
    return CheckXMLWellFormed(text.GetText(), (unsigned)text.GetLength(), false, structural);
}
