#include "XMLEntities.h"

#include <climits>
#include <cstring>

const SXMLEntity g_arrCharacters[] = {
    {"nbsp", 160}, {"quot", 34}, {"amp", 38}, {"lt", 60}, {"gt", 62}, {"apos", 39}, {"tab", 9},
    {"iexcl", 161}, {"cent", 162}, {"pound", 163}, {"curren", 164}, {"yen", 165}, {"brvbar", 166},
    {"sect", 167}, {"uml", 168}, {"copy", 169}, {"ordf", 170}, {"laquo", 171}, {"not", 172}, {"shy", 173},
    {"reg", 174}, {"macr", 175}, {"deg", 176}, {"plusmn", 177}, {"sup2", 178}, {"sup3", 179}, {"acute", 180},
    {"micro", 181}, {"para", 182}, {"middot", 183}, {"cedil", 184}, {"sup1", 185}, {"ordm", 186},
    {"raquo", 187}, {"frac14", 188}, {"frac12", 189}, {"frac34", 190}, {"iquest", 191}, {"Agrave", 192},
    {"Aacute", 193}, {"Acirc", 194}, {"Atilde", 195}, {"Auml", 196}, {"Aring", 197}, {"AElig", 198},
    {"Ccedil", 199}, {"Egrave", 200}, {"Eacute", 201}, {"Ecirc", 202}, {"Euml", 203}, {"Igrave", 204},
    {"Iacute", 205}, {"Icirc", 206}, {"Iuml", 207}, {"ETH", 208}, {"Ntilde", 209}, {"Ograve", 210},
    {"Oacute", 211}, {"Ocirc", 212}, {"Otilde", 213}, {"Ouml", 214}, {"times", 215}, {"Oslash", 216},
    {"Ugrave", 217}, {"Uacute", 218}, {"Ucirc", 219}, {"Uuml", 220}, {"Yacute", 221}, {"THORN", 222},
    {"szlig", 223}, {"agrave", 224}, {"aacute", 225}, {"acirc", 226}, {"atilde", 227}, {"auml", 228},
    {"aring", 229}, {"aelig", 230}, {"ccedil", 231}, {"egrave", 232}, {"eacute", 233}, {"ecirc", 234},
    {"euml", 235}, {"igrave", 236}, {"iacute", 237}, {"icirc", 238}, {"iuml", 239}, {"eth", 240},
    {"ntilde", 241}, {"ograve", 242}, {"oacute", 243}, {"ocirc", 244}, {"otilde", 245}, {"ouml", 246},
    {"divide", 247}, {"oslash", 248}, {"ugrave", 249}, {"uacute", 250}, {"ucirc", 251}, {"uuml", 252},
    {"yacute", 253}, {"thorn", 254}, {"yuml", 255},
};
const unsigned g_uCharacterCount = sizeof(g_arrCharacters) / sizeof(g_arrCharacters[0]);

static_assert(sizeof(g_arrCharacters) / sizeof(g_arrCharacters[0]) == 102, "entity table size");
static_assert(sizeof(g_arrCharacters) / sizeof(g_arrCharacters[0]) < 128, "m_anExactNext is too small");

namespace {

// Slot of a name's exact spelling among 256.
unsigned SpellingHash(const char* name, size_t length)
{
    unsigned h = (unsigned)length;
    for (size_t i = 0; i < length; i++)
        h = h * 31 + (unsigned char)name[i];
    return (h ^ (h >> 8)) & 255;
}

} // namespace

// Built on first use; C++ guarantees one construction even if two threads
// race to it, and nothing writes to the maps afterwards.
const CXMLEntityTables& CXMLEntityTables::Get()
{
    static const CXMLEntityTables s_tables;
    return s_tables;
}

CXMLEntityTables::CXMLEntityTables() : m_mapCharacters(97), m_mapNames(97)
{
    // Later rows replace the value of an earlier key that differs only in
    // case, so "Agrave" and "agrave" both map to 224 here.
    for (unsigned i = 0; i < g_uCharacterCount; i++) {
        m_mapCharacters.SetAt(g_arrCharacters[i].pszName, (char)g_arrCharacters[i].uCode);
        m_mapNames.SetAt((char)g_arrCharacters[i].uCode, g_arrCharacters[i].pszName);
    }
    for (short& n : m_anExactFirst)
        n = -1;
    for (short& n : m_anSpelling)
        n = -1;
    for (unsigned i = 0; i < g_uCharacterCount; i++) {
        const char* name = g_arrCharacters[i].pszName;
        unsigned slot = SpellingHash(name, strlen(name));
        while (m_anSpelling[slot] >= 0)
            slot = (slot + 1) & 255;
        m_anSpelling[slot] = (short)i;
    }
    for (unsigned i = 0; i < g_uCharacterCount; i++) {
        const char* name = g_arrCharacters[i].pszName;
        char mapped = 0;
        m_mapCharacters.Lookup(name, mapped);
        if ((unsigned char)mapped == g_arrCharacters[i].uCode)
            continue;
        // The row lost its value to a case twin: its own spelling still
        // decodes to its own code.
        m_anExactNext[i] = m_anExactFirst[(unsigned char)mapped];
        m_anExactFirst[(unsigned char)mapped] = (short)i;
    }
}

bool CXMLEntityTables::Lookup(const char* name, char& c) const
{
    const size_t length = strlen(name);
    for (unsigned slot = SpellingHash(name, length); m_anSpelling[slot] >= 0; slot = (slot + 1) & 255) {
        const SXMLEntity& row = g_arrCharacters[m_anSpelling[slot]];
        if (strcmp(row.pszName, name) == 0) {
            c = (char)row.uCode;
            return true;
        }
    }
    const char* found = m_mapCharacters.FindValue(name);
    if (!found)
        return false;
    c = *found;
    for (short i = m_anExactFirst[(unsigned char)c]; i >= 0; i = m_anExactNext[i]) {
        if (strcmp(g_arrCharacters[i].pszName, name) == 0) {
            c = (char)g_arrCharacters[i].uCode;
            break;
        }
    }
    return true;
}

const char* CXMLEntityTables::NameOf(char c) const
{
    const char* const* name = m_mapNames.FindValue(c);
    return name ? *name : nullptr;
}

long ParseLong32(const char* text, size_t length)
{
    const char* p = text;
    const char* const end = text + length;
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r')))
        p++;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    long long value = 0;
    for (; p < end && *p >= '0' && *p <= '9'; p++) {
        value = value * 10 + (*p - '0');
        if (value > 0x80000000LL)
            break;
    }
    if (negative)
        return value >= 0x80000000LL ? (long)INT32_MIN : (long)-value;
    return value > 0x7FFFFFFFLL ? (long)INT32_MAX : (long)value;
}

// The name runs to ';' (taken) or end, and is at most 255 characters.
bool ReadXMLEntity(const char*& pos, const char* end, char& c)
{
    const size_t kMaxName = 255;
    const size_t available = (size_t)(end - pos);
    const char* const name = pos;
    const char* semicolon =
        static_cast<const char*>(memchr(name, ';', available < kMaxName + 1 ? available : kMaxName + 1));
    size_t n;
    const char* next;
    if (semicolon) {
        n = (size_t)(semicolon - name);
        next = semicolon + 1;
    } else if (available <= kMaxName) {
        n = available;
        next = end;
    } else {
        return false; // too long for a name: the '&' stays as typed
    }
    // The five that every script uses, spelled as the table spells them.
    switch (n) {
    case 2:
        if (name[1] == 't' && (name[0] == 'l' || name[0] == 'g')) {
            c = name[0] == 'l' ? '<' : '>';
            pos = next;
            return true;
        }
        break;
    case 3:
        if (name[0] == 'a' && name[1] == 'm' && name[2] == 'p') {
            c = '&';
            pos = next;
            return true;
        }
        break;
    case 4:
        if (memcmp(name, "quot", 4) == 0 || memcmp(name, "apos", 4) == 0) {
            c = name[0] == 'q' ? '"' : '\'';
            pos = next;
            return true;
        }
        break;
    }
    if (n && name[0] == '#') {
        c = (char)(ParseLong32(name + 1, n - 1) & 0xFF);
    } else {
        // As a C string: a NUL inside the name ends it.
        char text[kMaxName + 1];
        memcpy(text, name, n);
        text[n] = 0;
        if (!CXMLEntityTables::Get().Lookup(text, c))
            return false;
    }
    pos = next;
    return true;
}
