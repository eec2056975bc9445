#include "Translation.h"

#include <cstring>

#include "Utf8.h"

namespace Translation {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

// The primary language: the code up to its first dash, lower case.
CSmallString Primary(const char* code)
{
    CSmallString primary;
    for (const char* p = code; *p && *p != '-'; p++)
        primary += Lower(*p);
    return primary;
}

bool SameCode(const char* a, const char* b)
{
    while (*a && Lower(*a) == Lower(*b))
        a++, b++;
    return Lower(*a) == Lower(*b);
}

// Simplified and Traditional Chinese serve different readers: zh-CN and
// zh-SG are Simplified, the other Chinese codes Traditional.
bool SameScript(const char* a, const char* b)
{
    if (Primary(a) != "zh")
        return true;
    const auto simplified = [](const char* code) {
        return SameCode(code, "zh") || SameCode(code, "zh-CN") || SameCode(code, "zh-SG") ||
               SameCode(code, "zh-Hans");
    };
    return simplified(a) == simplified(b);
}

} // namespace

bool Parse(const char* text, unsigned length, Container::CArray<SEntry>& entries, CSmallString& error)
{
    entries.SetSize(0);
    const char* p = text;
    const char* end = text + length;
    if (length >= 3 && !memcmp(p, "\xEF\xBB\xBF", 3))
        p += 3;
    for (unsigned line = 1; p < end; line++) {
        const char* eol = static_cast<const char*>(memchr(p, '\n', (size_t)(end - p)));
        if (!eol)
            eol = end;
        const char* last = eol;
        if (last > p && last[-1] == '\r')
            last--;
        const char* first = p;
        p = eol + 1;
        while (first < last && (*first == ' ' || *first == '\t'))
            first++;
        if (first == last || *first == '#')
            continue;
        if (!Utf8::IsValid(first, (size_t)(last - first))) {
            error.Format("line %u is not UTF-8", line);
            return false;
        }
        const char* equals = static_cast<const char*>(memchr(first, '=', (size_t)(last - first)));
        if (!equals) {
            error.Format("line %u has no \"ID = text\"", line);
            return false;
        }
        const char* keyEnd = equals;
        while (keyEnd > first && (keyEnd[-1] == ' ' || keyEnd[-1] == '\t'))
            keyEnd--;
        if (keyEnd == first) {
            error.Format("line %u has no id before \"=\"", line);
            return false;
        }
        // One space after "=" belongs to the layout; further ones to the text.
        const char* value = equals + 1;
        if (value < last && *value == ' ')
            value++;
        SEntry entry;
        entry.strKey = CSmallString(first, (int)(keyEnd - first));
        entry.strText = Unescape(CSmallString(value, (int)(last - value)));
        entry.uLine = line;
        entries.Add(entry);
    }
    return true;
}

CSmallString Escape(const char* text)
{
    CSmallString out;
    const char* last = text + strlen(text) - 1;
    for (const char* p = text; *p; p++) {
        // Spaces at either end as "\s": readers trim them.
        if (*p == ' ' && (p == text || p == last))
            out += "\\s";
        else if (*p == '\\')
            out += "\\\\";
        else if (*p == '\n')
            out += "\\n";
        else if (*p == '\t')
            out += "\\t";
        else if (*p != '\r')
            out += *p;
    }
    return out;
}

CSmallString Unescape(const char* text)
{
    CSmallString out;
    for (const char* p = text; *p; p++) {
        if (*p != '\\' || !p[1]) {
            out += *p;
            continue;
        }
        const char next = *++p;
        if (next == 'n')
            out += '\n';
        else if (next == 't')
            out += '\t';
        else if (next == 's')
            out += ' ';
        else if (next == '\\')
            out += '\\';
        else {
            // Not an escape: kept as written (a path's backslash, say).
            out += '\\';
            out += next;
        }
    }
    return out;
}

CSmallString Conversions(const char* text)
{
    CSmallString list;
    for (const char* p = strchr(text, '%'); p; p = strchr(p, '%')) {
        p++;
        if (*p == '%') {
            p++;
            continue;
        }
        const char* start = p;
        while (*p && strchr("-+ #0123456789.", *p))
            p++;
        while (*p == 'l' || *p == 'h' || *p == 'I')
            p++;
        if (!*p)
            break;
        if (!list.IsEmpty())
            list += ',';
        list += CSmallString(start, (int)(p - start + 1));
        p++;
    }
    return list;
}

int Choose(const char* wanted, const Container::CArray<CSmallString>& available)
{
    if (!wanted || !*wanted)
        return -1;
    for (unsigned i = 0; i < available.GetSize(); i++)
        if (SameCode(available[i], wanted))
            return (int)i;
    const CSmallString primary = Primary(wanted);
    for (unsigned i = 0; i < available.GetSize(); i++)
        if (SameCode(available[i], primary) && SameScript(available[i], wanted))
            return (int)i;
    for (unsigned i = 0; i < available.GetSize(); i++)
        if (Primary(available[i]) == primary && SameScript(available[i], wanted))
            return (int)i;
    return -1;
}

bool IsRightToLeft(const char* code)
{
    static const char* const s_rtl[] = {"ar", "he", "fa", "ur", "yi", "ps", "sd", "ug", "dv", "syr", "ckb"};
    const CSmallString primary = Primary(code);
    for (const char* rtl : s_rtl)
        if (primary == rtl)
            return true;
    return false;
}

bool IsLanguageCode(const char* code)
{
    int letters = 0;
    while (IsAsciiLetter(code[letters]))
        letters++;
    if (letters < 2 || letters > 3)
        return false;
    for (const char* p = code + letters; *p; p++)
        if (!(IsAsciiLetter(*p) || (*p >= '0' && *p <= '9') || (*p == '-' && p[1] && p[1] != '-')))
            return false;
    return strlen(code) <= 20;
}

} // namespace Translation
