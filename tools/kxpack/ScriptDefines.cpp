#include "ScriptDefines.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ReleasePtr.h"
#include "ScriptCheck.h"
#include "ScriptWords.h"
#include "VariableText.h"
#include "XMLDocument.h"
#include "XMLWellFormed.h"

namespace {

enum EContext
{
    InText,
    InAttribute,
    InCData,
};

// A value as the reader must get it back where it goes.
std::string AsXML(const std::string& value, EContext context)
{
    std::string out;
    for (size_t i = 0; i < value.size(); i++) {
        const char c = value[i];
        if (context == InCData) {
            // "]]>" would end the section: end it after "]]" and open another.
            if (value.compare(i, 3, "]]>") == 0) {
                out += "]]]]><![CDATA[>";
                i += 2;
            } else {
                out += c;
            }
            continue;
        }
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '"' && context == InAttribute)
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

class CReplacer
{
public:
    CReplacer(const CSmallString& text, const CBuildVariables& variables, const CScriptPlaces& places,
              CScriptReport& report, CTextEdits& edits)
        : m_pText(text.GetText()), m_uLength((size_t)text.GetLength()), m_variables(variables), m_places(places),
          m_report(report), m_edits(edits)
    {
    }

    // Splits the text as the reader does (ScriptPlaces.cpp scans it alike).
    std::string Run()
    {
        size_t p = 0;
        while (p < m_uLength) {
            if (m_pText[p] != '<') {
                const size_t next = Find(p, "<");
                Replace(p, next, InText);
                p = next;
            } else if (Opens(p, "<![CDATA[")) {
                const size_t close = Find(p + 9, "]]>");
                Copy(p, p + 9);
                Replace(p + 9, close, InCData);
                p = close;
            } else if (Opens(p, "<!--")) {
                p = Copy(p, After(p + 4, "-->"));
            } else if (Opens(p, "<?")) {
                p = Copy(p, After(p + 2, "?>"));
            } else if (Opens(p, "<!") || Opens(p, "</")) {
                p = Copy(p, TagEnd(p + 2) + 1);
            } else {
                p = StartTag(p);
            }
        }
        return m_strOut;
    }

private:
    bool Opens(size_t p, const char* word) const
    {
        const size_t n = strlen(word);
        return m_uLength - p >= n && memcmp(m_pText + p, word, n) == 0;
    }

    // The first closer at or after p, or the end.
    size_t Find(size_t p, const char* closer) const
    {
        for (; p < m_uLength; p++)
            if (Opens(p, closer))
                return p;
        return m_uLength;
    }

    size_t After(size_t p, const char* closer) const { return std::min(Find(p, closer) + strlen(closer), m_uLength); }

    // The reader ends a tag at the first '<' or '>' outside double quotes.
    size_t TagEnd(size_t p) const
    {
        for (bool quoted = false; p < m_uLength; p++) {
            quoted ^= m_pText[p] == '"';
            if (!quoted && (m_pText[p] == '>' || m_pText[p] == '<'))
                return p;
        }
        return m_uLength;
    }

    size_t Quote(size_t p, size_t end) const
    {
        while (p < end && m_pText[p] != '"')
            p++;
        return p;
    }

    size_t Copy(size_t from, size_t to)
    {
        to = std::min(to, m_uLength);
        m_strOut.append(m_pText + from, to - from);
        return to;
    }

    // Values in double quotes are replaced; the rest of the tag is copied.
    size_t StartTag(size_t p)
    {
        const size_t end = TagEnd(p + 1);
        for (size_t open = Quote(p, end); open < end; open = Quote(p, end)) {
            Copy(p, open + 1);
            const size_t close = Quote(open + 1, end);
            Replace(open + 1, close, InAttribute);
            p = Copy(close, close + 1);
        }
        return Copy(p, end < m_uLength && m_pText[end] == '>' ? end + 1 : end);
    }

    void Replace(size_t from, size_t to, EContext context)
    {
        for (const SVariablePiece& piece : SplitVariables(m_pText + from, to - from)) {
            const size_t at = from + piece.uStart;
            const std::string written(m_pText + at, piece.uLength);
            std::string value = written;
            if (piece.eKind == SVariablePiece::Escape) {
                value = "${";
            } else if (piece.eKind == SVariablePiece::Broken) {
                m_report.Error(m_places.At(at), "%s", BrokenVariableAdvice());
            } else if (piece.eKind == SVariablePiece::Reference) {
                bool broken = false;
                if (const std::string* found = m_variables.Find(piece.strName, broken))
                    value = AsXML(*found, context);
                else if (!broken)
                    Undefined(at, piece.strName);
            }
            if (value != written)
                m_edits.Add(at, written.size(), m_strOut.size(), value.size());
            m_strOut += value;
        }
    }

    void Undefined(size_t at, const std::string& name)
    {
        if (const char* nearest = m_variables.Nearest(name))
            m_report.Error(m_places.At(at), "${%s} is not defined: did you mean ${%s}?", name.c_str(), nearest);
        else
            m_report.Error(m_places.At(at),
                           "${%s} is not defined: define it in the install script with <define name=\"%s\" "
                           "value=\"...\"/>, or with -D %s=... on kxpack's command line",
                           name.c_str(), name.c_str(), name.c_str());
    }

    const char* m_pText;
    size_t m_uLength;
    const CBuildVariables& m_variables;
    const CScriptPlaces& m_places;
    CScriptReport& m_report;
    CTextEdits& m_edits;
    std::string m_strOut;
};

} // namespace

CSmallString ReplaceVariables(const CSmallString& text, const CBuildVariables& variables, const CScriptPlaces& places,
                              CScriptReport& report, CTextEdits& edits)
{
    const std::string out = CReplacer(text, variables, places, report, edits).Run();
    return edits.IsEmpty() ? text : CSmallString(out.data(), (int)out.size());
}

void ReplaceLogVariables(const CSmallString& packed, CPackItemList& items, const CBuildVariables& variables,
                         CScriptReport& report, SReplacedLog& log)
{
    const CReleasePtr<CXMLDocument> doc(CXMLDocument::LoadFromMemory(packed, (unsigned)packed.GetLength()));
    const CXMLNode* install = doc ? doc->FindNode(Section::Install) : nullptr;
    const CXMLNode* uninstaller = install ? install->FindNode(Setting::Uninstaller) : nullptr;
    unsigned id = 0;
    if (!uninstaller || uninstaller->GetAttributeValue(Attr::Generated) ||
        !uninstaller->GetAttributeValue(Attr::Id, id) || id >= items.size() ||
        items[id].GetSize() > kLargestUninstallLog)
        return;
    std::vector<unsigned char> bytes;
    CSmallString why;
    if (!items[id].ReadAll(bytes, why))
        return; // the check reports it
    const CSmallString written(reinterpret_cast<const char*>(bytes.data()), (int)bytes.size());
    SXMLProblem problem;
    // A log whose structure is broken is reported as it is written.
    if (std::string(written.GetText(), (size_t)written.GetLength()).find("${") == std::string::npos ||
        !CheckXMLWellFormed(written.GetText(), (unsigned)written.GetLength(), false, problem))
        return;
    const std::string file = items[id].IsFile() ? items[id].GetPath() : "<uninstaller> item";
    const CScriptPlaces places(written.GetText(), (unsigned)written.GetLength(), file.c_str());
    CTextEdits edits;
    const CSmallString text = ReplaceVariables(written, variables, places, report, edits);
    if (edits.IsEmpty())
        return;
    items[id] = CPackItem(text.GetText(), (size_t)text.GetLength());
    log.nItem = (int)id;
    log.strFile = file;
    log.strWritten = written;
    log.edits = edits;
}
