#include "RegistryData.h"

#include "Platform.h"

namespace {

struct STypeWord
{
    const char* pszWord;
    unsigned uNumber;
};

const STypeWord g_arrTypes[] = {
#define KX_REG_TYPE_ENTRY(id, word, number) {word, number},
    KX_REG_VALUE_TYPES(KX_REG_TYPE_ENTRY)
#undef KX_REG_TYPE_ENTRY
};

void AppendText(Container::CArray<unsigned char>& data, const char* text, int length)
{
    for (int i = 0; i < length; i++)
        data.Add((unsigned char)text[i]);
    data.Add(0);
}

int HexDigit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// A whole number of at most bits bits: decimal, or hex after 0x.
bool ParseNumber(CSmallString text, unsigned bits, unsigned long long& value, CSmallString& why)
{
    text.TrimBoth();
    const char* p = text.GetText();
    const bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    if (hex)
        p += 2;
    const unsigned long long limit = bits == 64 ? ~0ULL : (1ULL << bits) - 1;
    value = 0;
    if (!*p) {
        why = "a number is missing";
        return false;
    }
    for (; *p; p++) {
        const int digit = hex ? HexDigit(*p) : (*p >= '0' && *p <= '9' ? *p - '0' : -1);
        const unsigned base = hex ? 16 : 10;
        if (digit < 0) {
            why.Format("'%c' is not a %s digit", *p, hex ? "hex" : "decimal");
            return false;
        }
        if (value > (limit - (unsigned)digit) / base) {
            why.Format("the number is larger than %u bits hold", bits);
            return false;
        }
        value = value * base + (unsigned)digit;
    }
    return true;
}

} // namespace

bool ParseRegValueType(const char* word, ERegValueType& type)
{
    CSmallString text(word ? word : "");
    text.TrimBoth();
    if (text.IsEmpty()) {
        type = RegValueString;
        return true;
    }
    for (unsigned i = 0; i < sizeof(g_arrTypes) / sizeof(g_arrTypes[0]); i++)
        if (Mb::ICmp(text, g_arrTypes[i].pszWord) == 0) {
            type = (ERegValueType)i;
            return true;
        }
    return false;
}

CSmallString RegValueTypeWords()
{
    // In the order a publisher meets them, not the registry's numbers.
    static const ERegValueType s_order[] = {RegValueString, RegValueExpand, RegValueDword,
                                            RegValueQword,  RegValueMulti,  RegValueBinary};
    CSmallString words;
    for (unsigned i = 0; i < sizeof(s_order) / sizeof(s_order[0]); i++) {
        if (i)
            words += i + 1 < sizeof(s_order) / sizeof(s_order[0]) ? ", " : " or ";
        words += g_arrTypes[s_order[i]].pszWord;
    }
    return words;
}

unsigned GetRegTypeNumber(ERegValueType type) { return g_arrTypes[type].uNumber; }

bool EncodeRegValue(ERegValueType type, const CSmallString& text, Container::CArray<unsigned char>& data,
                    CSmallString& why)
{
    data.RemoveAll();
    switch (type) {
    case RegValueString:
    case RegValueExpand:
        AppendText(data, text.GetText(), text.GetLength());
        return true;
    case RegValueMulti: {
        // An empty text is a list of no strings: only the closing NUL.
        const char* p = text.GetText();
        const char* end = p + text.GetLength();
        while (p < end) {
            const char* cut = p;
            while (cut < end && *cut != kMultiSeparator)
                cut++;
            AppendText(data, p, (int)(cut - p));
            p = cut < end ? cut + 1 : end;
        }
        data.Add(0);
        return true;
    }
    case RegValueDword:
    case RegValueQword: {
        const unsigned bits = type == RegValueDword ? 32 : 64;
        unsigned long long value = 0;
        if (!ParseNumber(text, bits, value, why))
            return false;
        for (unsigned i = 0; i < bits / 8; i++)
            data.Add((unsigned char)(value >> (8 * i)));
        return true;
    }
    case RegValueBinary:
        for (const char* p = text.GetText(); *p;) {
            if (*p == ' ' || *p == ',' || *p == '\t') {
                p++;
                continue;
            }
            const int high = HexDigit(p[0]), low = high < 0 ? -1 : HexDigit(p[1]);
            if (low < 0) {
                why = "binary data is written as pairs of hex digits (\"0a 1b ff\")";
                return false;
            }
            data.Add((unsigned char)(high * 16 + low));
            p += 2;
        }
        return true;
    }
    return false;
}
