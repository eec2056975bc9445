// One pass over the bytes. Tags end where CXMLParser ends them (the first '<'
// or '>' outside double quotes) and element names are what CXMLCreator keeps,
// so a document that passes here is read as one element by the loader too.
#include "XMLWellFormed.h"

#include <cstdarg>
#include <cstring>
#include <new>

#include "Containers.h"
#include "XMLDocument.h"
#include "XMLEntities.h"

namespace {

enum EState
{
    StateText,    // character data, in the root or around it
    StateEndRest, // blanks after an end tag's name, up to '>'
    StateTag,     // a start tag after its name, outside quotes
    StateQuoted,  // inside double quotes in a start tag
    StateComment, // <!-- ... -->
    StatePI,      // <? ... ?>
    StateDoctype, // <!DOCTYPE ... >
    StateCData,   // <![CDATA[ ... ]]>
};

const char* const g_arrKinds[] = {"comment", "processing instruction", "DOCTYPE", "CDATA section"};
const int kShownName = 40; // longest name quoted in a message

inline bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

inline const char* NameEnd(const char* p, const char* end)
{
    while (p < end && IsXMLNameChar(*p))
        p++;
    return p;
}

inline int Shown(const char* name, const char* end)
{
    const int n = (int)(NameEnd(name, end) - name);
    return n < kShownName ? n : kShownName;
}

// 1 when [p, end) starts with word, -1 when the input ends inside it.
int Opens(const char* p, const char* end, const char* word)
{
    const size_t n = strlen(word), have = (size_t)(end - p);
    if (memcmp(p, word, have < n ? have : n) != 0)
        return 0;
    return have < n ? -1 : 1;
}

// The reader decodes "&#" up to the next ';' in 256 bytes, or to the end
// when that is nearer, whatever lies between: it must not swallow a tag.
bool SwallowsTag(const char* p, const char* end)
{
    const char* q = p + 1;
    char c;
    return q < end && *q == '#' && ReadXMLEntity(q, end, c) && memchr(p + 1, '<', (size_t)(q - p - 1));
}

// '&' at p starts a name the reader decodes, or a decimal reference to a byte.
bool IsKnownReference(const char* p, const char* end)
{
    const char* const semicolon = static_cast<const char*>(memchr(p, ';', end - p < 257 ? (size_t)(end - p) : 257));
    if (!semicolon || semicolon == p + 1)
        return false;
    const char* q = p + 1;
    char c;
    if (*q != '#')
        return ReadXMLEntity(q, semicolon + 1, c);
    unsigned value = 0;
    while (++q < semicolon && *q >= '0' && *q <= '9' && value <= 255)
        value = value * 10 + (unsigned)(*q - '0');
    return q == semicolon && value - 1 < 255;
}

// Whether the n-byte name at name also starts an attribute in [q, name):
// after a blank, outside the quoted values.
bool Repeats(const char* q, const char* name, size_t n)
{
    for (bool inValue = false; q < name; q++) {
        inValue ^= *q == '"';
        if (!inValue && IsBlank(q[-1]) && memcmp(q, name, n) == 0 && !IsXMLNameChar(q[n]))
            return true;
    }
    return false;
}

// Strict attributes: [q, stop) must be blank-separated name="value" pairs.
// Returns where the first fault is, or null.
const char* BadAttribute(const char* q, const char* stop, const char* end, const char*& what)
{
    const char* const first = q;
    for (;;) {
        const char* const gap = q;
        while (q < stop && IsBlank(*q))
            q++;
        if (q == stop)
            return nullptr;
        const char* const name = q;
        q = NameEnd(q, stop);
        what = gap == name ? "no blank between attributes" : "bad attribute name";
        if (gap == name || q == name || (q < stop && !IsBlank(*q) && *q != '='))
            return gap == name ? gap : q;
        what = "attribute appears twice";
        if (Repeats(first, name, (size_t)(q - name)))
            return name;
        while (q < stop && IsBlank(*q))
            q++;
        what = "attribute has no value";
        if (q == stop || *q != '=')
            return name;
        while (++q < stop && IsBlank(*q)) {
        }
        what = "attribute value is not in double quotes";
        if (q == stop || *q != '"')
            return q;
        // The tag ended outside quotes: this one closes before stop.
        for (q++; *q != '"'; q++) {
            what = *q == '<' ? "'<' inside an attribute value" : "'&' does not start a known reference";
            if (*q == '<' || (*q == '&' && !IsKnownReference(q, end)))
                return q;
        }
        q++;
    }
}

// The document's bytes read once, state by state. Every step is false once
// a problem has been recorded.
class CWellFormedChecker
{
public:
    CWellFormedChecker(const char* data, unsigned length, bool strict, SXMLProblem& problem);
    bool Check();

private:
    bool Step(char c);
    bool Text(char c);
    bool Markup();
    bool EndRest(char c);
    bool Tag(char c);
    void Quoted(char c);
    bool Enclosed(char c);
    void CData(char c);
    bool Finish();
    __attribute__((format(printf, 3, 4))) bool Fail(const char* at, const char* format, ...);

    const char* const m_pData;
    const char* const m_pEnd;
    const bool m_bStrict;
    SXMLProblem& m_problem;
    const char* m_p;
    const char* m_pFirst;   // the first byte after a byte-order mark
    const char* m_pMarkup;  // the '<' of the markup being read
    const char* m_pElement; // the start tag's name
    const char* m_pMark;    // where a quote or the inside of a comment, PI or CDATA starts
    bool m_bQuoted;         // a comment, PI or DOCTYPE is inside double quotes for the reader
    bool m_bRootSeen;
    Container::CArray<unsigned> m_arrOpen; // name offsets of the open elements
    EState m_state;
};

CWellFormedChecker::CWellFormedChecker(const char* data, unsigned length, bool strict, SXMLProblem& problem)
    : m_pData(data), m_pEnd(data + length), m_bStrict(strict), m_problem(problem), m_p(data), m_bQuoted(false),
      m_bRootSeen(false), m_state(StateText)
{
    problem.uLine = problem.uColumn = 0;
    problem.szMessage[0] = 0;
    if (length >= 3 && Opens(m_p, m_pEnd, "\xEF\xBB\xBF") == 1)
        m_p += 3; // a byte-order mark
    m_pFirst = m_pMarkup = m_pElement = m_pMark = m_p;
}

bool CWellFormedChecker::Check()
{
    try {
        for (; m_p < m_pEnd; m_p++)
            if (!Step(*m_p))
                return false;
    } catch (std::bad_alloc&) {
        return Fail(m_p, "out of memory");
    }
    return Finish();
}

bool CWellFormedChecker::Step(char c)
{
    // A NUL ends names in the reader, which then reads on differently.
    if (c == 0)
        return Fail(m_p, "NUL byte");
    switch (m_state) {
    case StateText:
        return Text(c);
    case StateEndRest:
        return EndRest(c);
    case StateTag:
        return Tag(c);
    case StateQuoted:
        Quoted(c);
        break;
    case StateComment:
    case StatePI:
    case StateDoctype:
        return Enclosed(c);
    case StateCData:
        CData(c);
        break;
    }
    return true;
}

bool CWellFormedChecker::Text(char c)
{
    if (c == '<')
        return Markup();
    if (m_arrOpen.IsEmpty() && !IsBlank(c))
        return Fail(m_p, m_bRootSeen ? "text after the root element" : "text before the root element");
    if (c == '&' && SwallowsTag(m_p, m_pEnd))
        return Fail(m_p, "'&#' has no ';' before the next tag");
    if (c == '&' && m_bStrict && !IsKnownReference(m_p, m_pEnd))
        return Fail(m_p, "'&' does not start a known reference");
    return true;
}

// The '<' at m_p: what it opens, and whether that may stand here. Leaves
// m_p on the last byte taken.
bool CWellFormedChecker::Markup()
{
    const char* const p = m_pMarkup = m_p;
    const char* const name = p + 1 + (p + 1 < m_pEnd && p[1] == '/');
    const char* const nameEnd = NameEnd(name, m_pEnd);
    if (nameEnd == m_pEnd)
        return Fail(p, "tag runs to the end of the text");
    if (name == p + 2) { // an end tag
        if (m_arrOpen.IsEmpty())
            return Fail(p, "end tag </%.*s> without a start tag", Shown(name, m_pEnd), name);
        const char* const top = m_pData + m_arrOpen[m_arrOpen.GetSize() - 1];
        if (NameEnd(top, m_pEnd) - top != nameEnd - name || memcmp(top, name, (size_t)(nameEnd - name)))
            return Fail(p, "end tag </%.*s> does not match <%.*s>", Shown(name, m_pEnd), name, Shown(top, m_pEnd), top);
        m_arrOpen.SetSize(m_arrOpen.GetSize() - 1);
        m_state = StateEndRest;
        m_p = nameEnd - 1;
    } else if (nameEnd != name) {
        if (!IsBlank(*nameEnd) && *nameEnd != '>' && (*nameEnd != '/' || (nameEnd + 1 < m_pEnd && nameEnd[1] != '>')))
            return Fail(p, "bad element name");
        if (m_arrOpen.IsEmpty() && m_bRootSeen)
            return Fail(p, "element <%.*s> after the root element", Shown(name, m_pEnd), name);
        m_bRootSeen = true;
        m_pElement = name;
        m_state = StateTag;
        m_p = nameEnd - 1;
    } else if (p[1] == '?') {
        if (m_bStrict && p != m_pFirst && Opens(p, m_pEnd, "<?xml") == 1 && p + 5 < m_pEnd &&
            (IsBlank(p[5]) || p[5] == '?'))
            return Fail(p, "XML declaration not at the start");
        m_state = StatePI;
        m_p++;
    } else if (p[1] == '!') {
        const int comment = Opens(p, m_pEnd, "<!--"), doctype = Opens(p, m_pEnd, "<!DOCTYPE"),
                  cdata = Opens(p, m_pEnd, "<![CDATA[");
        if (comment < 0 || doctype < 0 || cdata < 0)
            return Fail(p, "tag runs to the end of the text");
        if (!comment && !doctype && !cdata)
            return Fail(p, "unknown markup after '<!'");
        if (doctype && m_bRootSeen)
            return Fail(p, "DOCTYPE not before the root element");
        if (cdata && m_arrOpen.IsEmpty())
            return Fail(p, "CDATA section outside the root element");
        m_state = comment ? StateComment : doctype ? StateDoctype : StateCData;
        m_p += comment ? 3 : 8; // onto the opener's last byte
    } else {
        return Fail(p, "'<' does not start a tag");
    }
    m_pMark = m_p + 1;
    m_bQuoted = false;
    return true;
}

bool CWellFormedChecker::EndRest(char c)
{
    if (c == '>')
        m_state = StateText;
    else if (!IsBlank(c))
        return Fail(m_p, "bad character in an end tag");
    return true;
}

bool CWellFormedChecker::Tag(char c)
{
    if (c == '"') {
        m_pMark = m_p;
        m_state = StateQuoted;
    } else if (c == '<') {
        return Fail(m_p, "'<' inside a tag");
    } else if (c == '>') {
        const char* what = nullptr;
        const char* const attributes = NameEnd(m_pElement, m_pEnd);
        const char* const bad = m_bStrict ? BadAttribute(attributes, m_p - (m_p[-1] == '/'), m_pEnd, what) : nullptr;
        if (bad)
            return Fail(bad, "%s", what);
        if (m_p[-1] != '/')
            m_arrOpen.Add((unsigned)(m_pElement - m_pData));
        m_state = StateText;
    }
    return true;
}

void CWellFormedChecker::Quoted(char c)
{
    if (c == '"')
        m_state = StateTag;
}

// A comment, PI or DOCTYPE. The reader ends these at the first '<' or '>'
// outside double quotes: that must be where they really end.
bool CWellFormedChecker::Enclosed(char c)
{
    m_bQuoted ^= c == '"';
    if (c != '<' && c != '>')
        return true;
    const bool closes =
        c == '>' && (m_state == StateDoctype || (m_state == StatePI ? m_p - 1 >= m_pMark && m_p[-1] == '?'
                                                                    : m_p - 2 >= m_pMark && !memcmp(m_p - 2, "--", 2)));
    if (closes && !m_bQuoted)
        m_state = StateText;
    else if (closes)
        return Fail(m_p, "unpaired '\"' in a %s", g_arrKinds[m_state - StateComment]);
    else if (!m_bQuoted)
        return Fail(m_p, "'%c' inside a %s", c, g_arrKinds[m_state - StateComment]);
    return true;
}

void CWellFormedChecker::CData(char c)
{
    if (c == '>' && m_p - 2 >= m_pMark && !memcmp(m_p - 2, "]]", 2))
        m_state = StateText;
}

bool CWellFormedChecker::Finish()
{
    if (m_state == StateQuoted)
        return Fail(m_pMark, "attribute value has no closing quote");
    if (m_state != StateText)
        return Fail(m_pMarkup, "%s runs to the end of the text",
                    m_state >= StateComment ? g_arrKinds[m_state - StateComment] : "tag");
    if (!m_arrOpen.IsEmpty()) {
        const char* const name = m_pData + m_arrOpen[m_arrOpen.GetSize() - 1];
        return Fail(name - 1, "element <%.*s> is not closed", Shown(name, m_pEnd), name);
    }
    if (!m_bRootSeen)
        return Fail(m_pEnd, "no root element");
    return true;
}

bool CWellFormedChecker::Fail(const char* at, const char* format, ...)
{
    m_problem.uLine = m_problem.uColumn = 1;
    for (const char* q = m_pData; q < at; q++) {
        // CR LF, LF and a lone CR each end a line.
        const bool breaks = *q == '\n' || (*q == '\r' && (q + 1 == m_pEnd || q[1] != '\n'));
        m_problem.uLine += breaks;
        m_problem.uColumn = breaks ? 1 : m_problem.uColumn + 1;
    }
    va_list args;
    va_start(args, format);
    Mb::VSNPrintf(m_problem.szMessage, sizeof(m_problem.szMessage) - 1, format, args);
    va_end(args);
    m_problem.szMessage[sizeof(m_problem.szMessage) - 1] = 0;
    return false;
}

} // namespace

bool CheckXMLWellFormed(const char* data, unsigned length, bool strict, SXMLProblem& problem)
{
    return CWellFormedChecker(data, length, strict, problem).Check();
}
