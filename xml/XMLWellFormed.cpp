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

__attribute__((format(printf, 5, 6))) bool Fail(SXMLProblem& problem, const char* data, const char* end, const char* at,
                                                const char* format, ...)
{
    problem.uLine = problem.uColumn = 1;
    for (const char* q = data; q < at; q++) {
        // CR LF, LF and a lone CR each end a line.
        const bool breaks = *q == '\n' || (*q == '\r' && (q + 1 == end || q[1] != '\n'));
        problem.uLine += breaks;
        problem.uColumn = breaks ? 1 : problem.uColumn + 1;
    }
    va_list args;
    va_start(args, format);
    Mb::VSNPrintf(problem.szMessage, sizeof(problem.szMessage) - 1, format, args);
    va_end(args);
    problem.szMessage[sizeof(problem.szMessage) - 1] = 0;
    return false;
}

} // namespace

bool CheckXMLWellFormed(const char* data, unsigned length, bool strict, SXMLProblem& problem)
{
#define KX_FAIL(at, ...) return Fail(problem, data, end, at, __VA_ARGS__)
    problem.uLine = problem.uColumn = 0;
    problem.szMessage[0] = 0;
    const char* const end = data + length;
    const char* p = data;
    if (length >= 3 && Opens(p, end, "\xEF\xBB\xBF") == 1)
        p += 3; // a byte-order mark
    const char* const first = p;
    const char* markup = p;  // the '<' of the markup being read
    const char* element = p; // the start tag's name
    const char* mark = p;    // where a quote or the inside of a comment, PI or CDATA starts
    bool quoted = false;     // a comment, PI or DOCTYPE is inside double quotes for the reader
    bool rootSeen = false;
    Container::CArray<unsigned> open; // name offsets of the open elements
    EState state = StateText;
    try {
        for (; p < end; p++) {
            const char c = *p;
            // A NUL ends names in the reader, which then reads on differently.
            if (c == 0)
                KX_FAIL(p, "NUL byte");
            switch (state) {
            case StateText: {
                if (c != '<') {
                    if (open.IsEmpty() && !IsBlank(c))
                        KX_FAIL(p, rootSeen ? "text after the root element" : "text before the root element");
                    if (c == '&' && SwallowsTag(p, end))
                        KX_FAIL(p, "'&#' has no ';' before the next tag");
                    if (c == '&' && strict && !IsKnownReference(p, end))
                        KX_FAIL(p, "'&' does not start a known reference");
                    break;
                }
                markup = p;
                const char* const name = p + 1 + (p + 1 < end && p[1] == '/');
                const char* const nameEnd = NameEnd(name, end);
                if (nameEnd == end)
                    KX_FAIL(markup, "tag runs to the end of the text");
                if (name == p + 2) { // an end tag
                    if (open.IsEmpty())
                        KX_FAIL(markup, "end tag </%.*s> without a start tag", Shown(name, end), name);
                    const char* const top = data + open[open.GetSize() - 1];
                    if (NameEnd(top, end) - top != nameEnd - name || memcmp(top, name, (size_t)(nameEnd - name)))
                        KX_FAIL(markup, "end tag </%.*s> does not match <%.*s>", Shown(name, end), name,
                                Shown(top, end), top);
                    open.SetSize(open.GetSize() - 1);
                    state = StateEndRest;
                    p = nameEnd - 1;
                } else if (nameEnd != name) {
                    if (!IsBlank(*nameEnd) && *nameEnd != '>' &&
                        (*nameEnd != '/' || (nameEnd + 1 < end && nameEnd[1] != '>')))
                        KX_FAIL(markup, "bad element name");
                    if (open.IsEmpty() && rootSeen)
                        KX_FAIL(markup, "element <%.*s> after the root element", Shown(name, end), name);
                    rootSeen = true;
                    element = name;
                    state = StateTag;
                    p = nameEnd - 1;
                } else if (p[1] == '?') {
                    if (strict && markup != first && Opens(p, end, "<?xml") == 1 && p + 5 < end &&
                        (IsBlank(p[5]) || p[5] == '?'))
                        KX_FAIL(markup, "XML declaration not at the start");
                    state = StatePI;
                    p++;
                } else if (p[1] == '!') {
                    const int comment = Opens(p, end, "<!--"), doctype = Opens(p, end, "<!DOCTYPE"),
                              cdata = Opens(p, end, "<![CDATA[");
                    if (comment < 0 || doctype < 0 || cdata < 0)
                        KX_FAIL(markup, "tag runs to the end of the text");
                    if (!comment && !doctype && !cdata)
                        KX_FAIL(markup, "unknown markup after '<!'");
                    if (doctype && rootSeen)
                        KX_FAIL(markup, "DOCTYPE not before the root element");
                    if (cdata && open.IsEmpty())
                        KX_FAIL(markup, "CDATA section outside the root element");
                    state = comment ? StateComment : doctype ? StateDoctype : StateCData;
                    p += comment ? 3 : 8; // onto the opener's last byte
                } else {
                    KX_FAIL(markup, "'<' does not start a tag");
                }
                mark = p + 1;
                quoted = false;
                break;
            }
            case StateEndRest:
                if (c == '>')
                    state = StateText;
                else if (!IsBlank(c))
                    KX_FAIL(p, "bad character in an end tag");
                break;
            case StateTag:
                if (c == '"') {
                    mark = p;
                    state = StateQuoted;
                } else if (c == '<') {
                    KX_FAIL(p, "'<' inside a tag");
                } else if (c == '>') {
                    const char* what = nullptr;
                    const char* const attributes = NameEnd(element, end);
                    const char* const bad = strict ? BadAttribute(attributes, p - (p[-1] == '/'), end, what) : nullptr;
                    if (bad)
                        KX_FAIL(bad, "%s", what);
                    if (p[-1] != '/')
                        open.Add((unsigned)(element - data));
                    state = StateText;
                }
                break;
            case StateQuoted:
                if (c == '"')
                    state = StateTag;
                break;
            case StateComment:
            case StatePI:
            case StateDoctype: {
                // The reader ends these at the first '<' or '>' outside
                // double quotes: that must be where they really end.
                quoted ^= c == '"';
                if (c != '<' && c != '>')
                    break;
                const bool closes =
                    c == '>' &&
                    (state == StateDoctype ||
                     (state == StatePI ? p - 1 >= mark && p[-1] == '?' : p - 2 >= mark && !memcmp(p - 2, "--", 2)));
                if (closes && !quoted)
                    state = StateText;
                else if (closes)
                    KX_FAIL(p, "unpaired '\"' in a %s", g_arrKinds[state - StateComment]);
                else if (!quoted)
                    KX_FAIL(p, "'%c' inside a %s", c, g_arrKinds[state - StateComment]);
                break;
            }
            case StateCData:
                if (c == '>' && p - 2 >= mark && !memcmp(p - 2, "]]", 2))
                    state = StateText;
                break;
            }
        }
    } catch (std::bad_alloc&) {
        KX_FAIL(p, "out of memory");
    }
    if (state == StateQuoted)
        KX_FAIL(mark, "attribute value has no closing quote");
    if (state != StateText)
        KX_FAIL(markup, "%s runs to the end of the text",
                state >= StateComment ? g_arrKinds[state - StateComment] : "tag");
    if (!open.IsEmpty()) {
        const char* const name = data + open[open.GetSize() - 1];
        KX_FAIL(name - 1, "element <%.*s> is not closed", Shown(name, end), name);
    }
    if (!rootSeen)
        KX_FAIL(end, "no root element");
    return true;
#undef KX_FAIL
}
