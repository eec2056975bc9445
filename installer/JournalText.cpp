#include "JournalText.h"

namespace JournalText {

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// One line's fields; false for a broken escape.
bool SplitLine(const char* p, const char* end, CFields& fields)
{
    CSmallString field;
    for (; p < end; p++) {
        if (*p == '\t') {
            fields.Add(field);
            field.Empty();
        } else if (*p != '\\') {
            field += *p;
        } else {
            if (++p == end)
                return false;
            switch (*p) {
            case '\\':
                field += '\\';
                break;
            case 't':
                field += '\t';
                break;
            case 'r':
                field += '\r';
                break;
            case 'n':
                field += '\n';
                break;
            default:
                return false;
            }
        }
    }
    fields.Add(field);
    return true;
}

} // namespace

CSmallString FormatLine(const CSmallString* fields, unsigned count)
{
    CSmallString line;
    for (unsigned i = 0; i < count; i++) {
        if (i)
            line += '\t';
        const CSmallString& field = fields[i];
        for (int at = 0; at < field.GetLength(); at++) {
            switch (const char c = field.GetAt(at)) {
            case '\\':
                line += "\\\\";
                break;
            case '\t':
                line += "\\t";
                break;
            case '\r':
                line += "\\r";
                break;
            case '\n':
                line += "\\n";
                break;
            default:
                line += c;
            }
        }
    }
    line += '\n';
    return line;
}

void ParseLines(const char* text, unsigned length, Container::CArray<CFields>& lines)
{
    lines.RemoveAll();
    const char* end = text + length;
    for (const char* p = text; p < end;) {
        const char* eol = p;
        while (eol < end && *eol != '\n')
            eol++;
        if (eol == end)
            break; // cut short
        CFields fields;
        if (SplitLine(p, eol, fields))
            lines.Add(fields);
        p = eol + 1;
    }
}

CSmallString ToHex(const unsigned char* data, unsigned size)
{
    static const char s_szDigits[] = "0123456789abcdef";
    CSmallString text;
    char* out = text.GetBufferSetLength((int)(size * 2));
    for (unsigned i = 0; i < size; i++) {
        out[2 * i] = s_szDigits[data[i] >> 4];
        out[2 * i + 1] = s_szDigits[data[i] & 15];
    }
    return text;
}

bool FromHex(const char* text, Container::CArray<unsigned char>& data)
{
    data.RemoveAll();
    for (const char* p = text; *p; p += 2) {
        const int high = HexDigit(p[0]), low = p[1] ? HexDigit(p[1]) : -1;
        if (high < 0 || low < 0)
            return false;
        data.Add((unsigned char)(high * 16 + low));
    }
    return true;
}

} // namespace JournalText
