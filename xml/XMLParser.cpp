#include "XMLParser.h"

#include <cstring>
#include <new>

#include "Memory.h"
#include "Platform.h"
#include "XMLEntities.h"

namespace {

const size_t kInitialToken = 1024;
const char kCDataStart[] = "<![CDATA[";
const char kCDataEnd[] = "]]>";

// isspace in the "C" locale: what the readers fold.
inline bool IsCSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The multibyte-aware test that separates names and values in a tag. The
// usual bytes, ' ' and printable ASCII, are decided without a call.
inline bool IsTagSpace(char c)
{
    return c == ' ' || ((unsigned char)(c - '!') > '~' - '!' && c != 0 && Mb::IsSpace((unsigned char)c));
}

inline const char* SkipTagSpace(const char* p)
{
    while (IsTagSpace(*p))
        p++;
    return p;
}

template <size_t N> inline bool StartsWith(const char* p, const char* end, const char (&marker)[N])
{
    return (size_t)(end - p) >= N - 1 && memcmp(p, marker, N - 1) == 0;
}

} // namespace

CXMLParser::CXMLParser()
    : m_pRead(nullptr), m_pEnd(nullptr), m_pToken(static_cast<char*>(KxAlloc(kInitialToken))), m_uUsed(0),
      m_uSize(kInitialToken), m_bLastWasSpace(false)
{
    m_pToken[0] = 0;
    m_arrAttributes.SetConstruct(false);
}

void CXMLParser::OnGotText(const char*) {}
void CXMLParser::OnGotTag(const char*, const CAttributeArray&, bool) {}
void CXMLParser::OnGotEndTag(const char*) {}

// One byte is always left for the terminating NUL.
inline void CXMLParser::AddToToken(char c)
{
    if (m_uUsed + 1 == m_uSize) {
        if (m_uSize > ((size_t)-1) / 2)
            throw std::bad_alloc();
        char* grown = static_cast<char*>(KxAlloc(m_uSize * 2));
        memcpy(grown, m_pToken, m_uUsed);
        KxFree(m_pToken);
        m_pToken = grown;
        m_uSize *= 2;
    }
    m_pToken[m_uUsed++] = c;
}

// The test is on the buffer's first byte, which a reset leaves alone: right
// after a tag it still holds the tag's first character, and an empty text
// is delivered; a text that starts with a NUL is not.
void CXMLParser::DeliverText()
{
    if (m_pToken[0]) {
        m_pToken[m_uUsed] = 0;
        OnGotText(m_pToken);
    }
    m_uUsed = 0;
    m_bLastWasSpace = false;
}

// A whitespace character is kept only when the one stored before it was
// not whitespace, so every run shrinks to its first character. A decoded
// character is plain data: a decoded '<' starts nothing, and decoded
// whitespace is kept even after a blank.
CXMLParser::EState CXMLParser::ReadText()
{
    // Positions in locals: a store into the token could alias any member.
    const char* p = m_pRead;
    const char* const end = m_pEnd;
    while (p < end) {
        char c = *p++;
        if (c == '<') {
            m_pRead = p;
            if (StartsWith(p - 1, end, kCDataStart)) {
                m_pRead += sizeof(kCDataStart) - 2;
                return StateCData;
            }
            DeliverText();
            return StateTag;
        }
        const char* entityEnd = p; // p itself stays in a register
        if (c == '&' && ReadXMLEntity(entityEnd, end, c)) {
            p = entityEnd;
            m_bLastWasSpace = false;
        }
        const bool space = IsCSpace(c);
        if (!(space && m_bLastWasSpace))
            AddToToken(c);
        m_bLastWasSpace = space;
    }
    m_pRead = p;
    return StateEnd;
}

// Whitespace folds as in text; the '<' or '>' that ends the tag is dropped.
CXMLParser::EState CXMLParser::ReadTag()
{
    const char* p = m_pRead;
    bool quoted = false, lastSpace = false;
    while (p < m_pEnd) {
        const char c = *p++;
        if ((c == '<' || c == '>') && !quoted)
            break;
        quoted ^= c == '"';
        const bool space = IsCSpace(c);
        if (!(space && lastSpace))
            AddToToken(c);
        lastSpace = space;
    }
    m_pRead = p;
    const bool selfClosing = m_uUsed && m_pToken[m_uUsed - 1] == '/';
    m_pToken[m_uUsed - selfClosing] = 0;
    m_uUsed = 0;
    OnGotTagText(m_pToken, selfClosing);
    return StateText;
}

// The section joins the surrounding text as it stands: no entities, no
// folding, and a '<' inside it is just a character.
CXMLParser::EState CXMLParser::ReadCData()
{
    while (m_pRead < m_pEnd) {
        if (StartsWith(m_pRead, m_pEnd, kCDataEnd)) {
            m_pRead += sizeof(kCDataEnd) - 1;
            m_bLastWasSpace = false;
            return StateText;
        }
        AddToToken(*m_pRead++);
    }
    return StateEnd;
}

bool CXMLParser::Parse(const char* data, unsigned length)
{
    m_pRead = data;
    m_pEnd = data ? data + length : data;
    try {
        EState state = StateText;
        while (state != StateEnd) {
            if (state == StateText)
                state = ReadText();
            else if (state == StateTag)
                state = ReadTag();
            else
                state = ReadCData();
        }
        DeliverText();
        return true;
    } catch (std::bad_alloc&) {
        // Out of memory here or in a callback: what was delivered stays so.
        m_uUsed = 0;
        m_bLastWasSpace = false;
        return false;
    }
}

// A name longer than kMaxTagName is cut and its rest read as attributes.
// An attribute name keeps at most 4095 characters (the rest starts the next
// attribute); a value stops when name and value together reach 4096
// characters or the value fills its own 4095.
void CXMLParser::OnGotTagText(const char* tagText, bool selfClosing)
{
    const char* p = SkipTagSpace(tagText);
    const bool endTag = *p == '/';
    p = SkipTagSpace(p + endTag);
    char name[kMaxTagName + 1];
    unsigned n = 0;
    while (*p && !IsTagSpace(*p) && n < kMaxTagName)
        name[n++] = *p++;
    name[n] = 0;
    if (endTag) {
        OnGotEndTag(name); // attributes of an end tag mean nothing
        return;
    }
    m_arrAttributes.SetSize(0);
    while (*(p = SkipTagSpace(p))) {
        m_arrAttributes.SetSize(m_arrAttributes.GetSize() + 1);
        CAttribute& attribute = m_arrAttributes[m_arrAttributes.GetSize() - 1];
        unsigned nName = 0, nValue = 0;
        while (*p && !IsTagSpace(*p) && *p != '=' && nName < kMaxAttributeText - 1)
            attribute.szName[nName++] = *p++;
        attribute.szName[nName] = 0;
        p = SkipTagSpace(p);
        if (*p == '=') {
            p = SkipTagSpace(p + 1);
            const bool quoted = *p == '"';
            p += quoted;
            // A quoted value runs to the next quote, any other to the next
            // space. Entities end with the value.
            const char* end = strchr(p, quoted ? '"' : ' ');
            if (!end)
                end = p + strlen(p);
            const unsigned limit = nName ? kMaxAttributeText - nName : kMaxAttributeText - 1;
            while (p < end && nValue < limit) {
                char c = *p++;
                if (c == '&')
                    ReadXMLEntity(p, end, c);
                attribute.szValue[nValue++] = c;
            }
            if (quoted && *p == '"') // a value cut short leaves it to what follows
                p++;
        }
        attribute.szValue[nValue] = 0;
        attribute.uValueLength = nValue;
    }
    OnGotTag(name, m_arrAttributes, selfClosing);
}
