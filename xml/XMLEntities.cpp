#include "XMLEntities.h"

#include <algorithm>
#include <cstring>

#include "Platform.h"

const SXMLEntity g_arrCharacters[] = {
    {"nbsp", 160},   {"quot", 34},    {"amp", 38},     {"lt", 60},      {"gt", 62},      {"apos", 39},
    {"tab", 9},      {"iexcl", 161},  {"cent", 162},   {"pound", 163},  {"curren", 164}, {"yen", 165},
    {"brvbar", 166}, {"sect", 167},   {"uml", 168},    {"copy", 169},   {"ordf", 170},   {"laquo", 171},
    {"not", 172},    {"shy", 173},    {"reg", 174},    {"macr", 175},   {"deg", 176},    {"plusmn", 177},
    {"sup2", 178},   {"sup3", 179},   {"acute", 180},  {"micro", 181},  {"para", 182},   {"middot", 183},
    {"cedil", 184},  {"sup1", 185},   {"ordm", 186},   {"raquo", 187},  {"frac14", 188}, {"frac12", 189},
    {"frac34", 190}, {"iquest", 191}, {"Agrave", 192}, {"Aacute", 193}, {"Acirc", 194},  {"Atilde", 195},
    {"Auml", 196},   {"Aring", 197},  {"AElig", 198},  {"Ccedil", 199}, {"Egrave", 200}, {"Eacute", 201},
    {"Ecirc", 202},  {"Euml", 203},   {"Igrave", 204}, {"Iacute", 205}, {"Icirc", 206},  {"Iuml", 207},
    {"ETH", 208},    {"Ntilde", 209}, {"Ograve", 210}, {"Oacute", 211}, {"Ocirc", 212},  {"Otilde", 213},
    {"Ouml", 214},   {"times", 215},  {"Oslash", 216}, {"Ugrave", 217}, {"Uacute", 218}, {"Ucirc", 219},
    {"Uuml", 220},   {"Yacute", 221}, {"THORN", 222},  {"szlig", 223},  {"agrave", 224}, {"aacute", 225},
    {"acirc", 226},  {"atilde", 227}, {"auml", 228},   {"aring", 229},  {"aelig", 230},  {"ccedil", 231},
    {"egrave", 232}, {"eacute", 233}, {"ecirc", 234},  {"euml", 235},   {"igrave", 236}, {"iacute", 237},
    {"icirc", 238},  {"iuml", 239},   {"eth", 240},    {"ntilde", 241}, {"ograve", 242}, {"oacute", 243},
    {"ocirc", 244},  {"otilde", 245}, {"ouml", 246},   {"divide", 247}, {"oslash", 248}, {"ugrave", 249},
    {"uacute", 250}, {"ucirc", 251},  {"uuml", 252},   {"yacute", 253}, {"thorn", 254},  {"yuml", 255},
};
const unsigned g_uCharacterCount = sizeof(g_arrCharacters) / sizeof(g_arrCharacters[0]);

namespace {

// The low byte of what atol with a 32-bit long reads: leading blanks and a
// sign, clamped on overflow.
char DecimalByte(const char* p, const char* end)
{
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r')))
        p++;
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '+' || *p == '-'))
        p++;
    long long value = 0;
    for (; p < end && *p >= '0' && *p <= '9' && value <= 0x80000000LL; p++)
        value = value * 10 + (*p - '0');
    return (char)((negative ? -std::min(value, 0x80000000LL) : std::min(value, 0x7FFFFFFFLL)) & 0xFF);
}

} // namespace

bool LookupXMLEntity(const char* name, char& c)
{
    for (unsigned i = 0; i < g_uCharacterCount; i++) {
        if (g_arrCharacters[i].pszName[0] == name[0] && strcmp(g_arrCharacters[i].pszName, name) == 0) {
            c = (char)g_arrCharacters[i].uCode;
            return true;
        }
    }
    for (unsigned i = g_uCharacterCount; i-- > 0;) {
        if (Mb::ICmp(g_arrCharacters[i].pszName, name) == 0) {
            c = (char)g_arrCharacters[i].uCode;
            return true;
        }
    }
    return false;
}

// The name runs to ';' (taken) or end, and is at most 255 characters.
bool ReadXMLEntity(const char*& pos, const char* end, char& c)
{
    const size_t kMaxName = 255;
    const size_t available = (size_t)(end - pos);
    const char* const semicolon =
        static_cast<const char*>(memchr(pos, ';', available < kMaxName + 1 ? available : kMaxName + 1));
    if (!semicolon && available > kMaxName)
        return false; // too long for a name: the '&' stays as typed
    const char* const nameEnd = semicolon ? semicolon : end;
    if (nameEnd > pos && *pos == '#') {
        c = DecimalByte(pos + 1, nameEnd);
    } else {
        // As a C string: a NUL inside the name ends it.
        char name[kMaxName + 1];
        memcpy(name, pos, (size_t)(nameEnd - pos));
        name[nameEnd - pos] = 0;
        if (!LookupXMLEntity(name, c))
            return false;
    }
    pos = semicolon ? semicolon + 1 : end;
    return true;
}
