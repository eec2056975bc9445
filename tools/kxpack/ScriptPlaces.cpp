#include "ScriptPlaces.h"

#include <algorithm>
#include <cstring>

#include "Platform.h"
#include "XMLDocument.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool Opens(const char* p, const char* end, const char* word)
{
    const size_t n = strlen(word);
    return (size_t)(end - p) >= n && memcmp(p, word, n) == 0;
}

// Past the first closer at or after p, or end.
const char* After(const char* p, const char* end, const char* closer)
{
    const size_t n = strlen(closer);
    for (; p + n <= end; p++)
        if (memcmp(p, closer, n) == 0)
            return p + n;
    return end;
}

// The reader ends a tag at the first '<' or '>' outside double quotes.
const char* TagEnd(const char* p, const char* end)
{
    for (bool quoted = false; p < end; p++) {
        quoted ^= *p == '"';
        if (!quoted && (*p == '>' || *p == '<'))
            return p;
    }
    return end;
}

} // namespace

void CTextEdits::Add(size_t from, size_t length, size_t to, size_t newLength)
{
    m_arrEdits.push_back(SEdit{from, length, to, newLength});
}

size_t CTextEdits::ToWritten(size_t offset) const
{
    const auto after = std::upper_bound(m_arrEdits.begin(), m_arrEdits.end(), offset,
                                        [](size_t at, const SEdit& edit) { return at < edit.uTo; });
    if (after == m_arrEdits.begin())
        return offset;
    const SEdit& edit = *(after - 1);
    if (offset < edit.uTo + edit.uNewLength)
        return edit.uFrom;
    return offset - (edit.uTo + edit.uNewLength) + edit.uFrom + edit.uLength;
}

CScriptPlaces::CScriptPlaces(const char* text, unsigned length, const char* file) : m_strFile(file ? file : "")
{
    FindLines(text, length);
    FindElements(text, length);
}

CScriptPlaces::CScriptPlaces(const char* text, unsigned length, const char* file, const char* written,
                             unsigned writtenLength, const CTextEdits& edits)
    : m_strFile(file ? file : ""), m_edits(edits)
{
    FindLines(written, writtenLength);
    FindElements(text, length);
}

void CScriptPlaces::FindLines(const char* text, unsigned length)
{
    const char* const end = text + length;
    const char* p = text;
    if (Opens(p, end, "\xEF\xBB\xBF"))
        p += 3; // a byte-order mark comes before the first column
    // CR LF, LF and a lone CR each end a line, as for the reader's errors.
    m_arrLineStarts.push_back((size_t)(p - text));
    for (const char* q = p; q < end; q++)
        if (*q == '\n' || (*q == '\r' && (q + 1 == end || q[1] != '\n')))
            m_arrLineStarts.push_back((size_t)(q + 1 - text));
}

void CScriptPlaces::FindElements(const char* text, unsigned length)
{
    const char* const end = text + length;
    const char* p = text;
    if (Opens(p, end, "\xEF\xBB\xBF"))
        p += 3;
    unsigned depth = 0; // open elements
    while (p < end) {
        if (*p != '<') {
            p++;
            continue;
        }
        if (Opens(p, end, "<!--")) {
            p = After(p + 4, end, "-->");
        } else if (Opens(p, end, "<![CDATA[")) {
            p = After(p + 9, end, "]]>");
        } else if (Opens(p, end, "<?")) {
            p = After(p + 2, end, "?>");
        } else if (Opens(p, end, "<!")) {
            p = std::min(TagEnd(p + 2, end) + 1, end);
        } else if (Opens(p, end, "</")) {
            depth -= depth > 0;
            p = std::min(TagEnd(p + 2, end) + 1, end);
        } else {
            const char* const tag = p;
            const char* const tagEnd = TagEnd(p + 1, end);
            const bool closed = tagEnd < end && *tagEnd == '>' && tagEnd[-1] == '/';
            SElement element{(size_t)(tag - text), {}};
            const char* q = tag + 1;
            while (q < tagEnd && IsXMLNameChar(*q))
                q++;
            while (depth <= 1 && q < tagEnd) {
                if (!IsXMLNameChar(*q)) {
                    q++;
                    continue;
                }
                const char* const name = q;
                while (q < tagEnd && IsXMLNameChar(*q))
                    q++;
                element.arrAttributes.push_back(SAttribute{std::string(name, q), (size_t)(name - text)});
                while (q < tagEnd && IsBlank(*q))
                    q++;
                if (q < tagEnd && *q == '=') {
                    while (++q < tagEnd && IsBlank(*q)) {
                    }
                    const char quote = q < tagEnd ? *q : 0;
                    if (quote == '"' || quote == '\'') {
                        const void* close = memchr(q + 1, quote, (size_t)(tagEnd - q - 1));
                        q = close ? static_cast<const char*>(close) + 1 : tagEnd;
                    } else {
                        while (q < tagEnd && !IsBlank(*q))
                            q++;
                    }
                }
            }
            if (depth == 0 && m_uRoot == kNone)
                m_uRoot = element.uOffset;
            else if (depth == 1)
                m_arrElements.push_back(std::move(element));
            depth += !closed;
            p = tagEnd < end && *tagEnd == '>' ? tagEnd + 1 : tagEnd;
        }
    }
}

SPlace CScriptPlaces::At(size_t offset) const
{
    SPlace place;
    place.pszFile = GetFile();
    if (offset != kNone)
        offset = m_edits.ToWritten(offset);
    if (offset == kNone || m_arrLineStarts.empty() || offset < m_arrLineStarts[0])
        return place;
    const size_t line = (size_t)(std::upper_bound(m_arrLineStarts.begin(), m_arrLineStarts.end(), offset) -
                                 m_arrLineStarts.begin());
    place.uLine = (unsigned)line;
    place.uColumn = (unsigned)(offset - m_arrLineStarts[line - 1] + 1);
    return place;
}

SPlace CScriptPlaces::Element(unsigned index) const
{
    return At(index < m_arrElements.size() ? m_arrElements[index].uOffset : kNone);
}

SPlace CScriptPlaces::Attribute(unsigned index, const char* name) const
{
    if (index >= m_arrElements.size())
        return At(kNone);
    for (const SAttribute& attribute : m_arrElements[index].arrAttributes)
        if (Mb::ICmp(attribute.strName.c_str(), name) == 0)
            return At(attribute.uOffset);
    return At(m_arrElements[index].uOffset);
}
