#include "XMLParser.h"

#include <cstring>
#include <new>

#include "Memory.h"
#include "XMLEntities.h"
#include "XMLScan.h"

namespace {

const size_t kInitialToken = 1024;
const char g_lpczCDATA_Start[] = "<![CDATA[";
const char g_lpczCDATA_End[] = "]]>";
const size_t kCDataStartLength = sizeof(g_lpczCDATA_Start) - 1;
const size_t kCDataEndLength = sizeof(g_lpczCDATA_End) - 1;

// The C library's isspace in the "C" locale, without a call per character.
inline bool IsCSpace(char c) { return c == ' ' || (unsigned char)(c - '\t') <= '\r' - '\t'; }

// Does [p, end) begin with the marker? Never reads past end.
inline bool StartsWith(const char* p, const char* end, const char* marker, size_t length)
{
    return (size_t)(end - p) >= length && memcmp(p, marker, length) == 0;
}

} // namespace

CXMLParser::CXMLParser()
    : m_pRead(nullptr), m_pEnd(nullptr), m_pToken(nullptr), m_pTokenWrite(nullptr), m_pTokenLimit(nullptr),
      m_bLastWasSpace(false), m_bTokenHasNul(false), m_bFromEntity(false), m_bInCData(false)
{
    InitialiseMaps(); // first: it may throw, and nothing is ours to free yet
    m_pToken = static_cast<char*>(KxAlloc(kInitialToken));
    m_pToken[0] = 0;
    m_pTokenWrite = m_pToken;
    m_pTokenLimit = m_pToken + kInitialToken - 1;
    m_arrAttributes.SetConstruct(false);
}

CXMLParser::~CXMLParser() { KxFree(m_pToken); }

void CXMLParser::InitialiseMaps() { CXMLEntityTables::Get(); }

void CXMLParser::OnGotText(const char*) {}
void CXMLParser::OnGotTextSpan(const char* text, size_t) { OnGotText(text); }

// ReadTag has made room for the copy.
void CXMLParser::OnGotTagSpan(const char* tagText, size_t length, bool selfClosing)
{
    if (tagText != m_pToken)
        memcpy(m_pToken, tagText, length);
    m_pToken[length] = 0;
    OnGotTagText(m_pToken, selfClosing);
}
void CXMLParser::OnGotTag(const char*, const CAttributeArray&, bool) {}
void CXMLParser::OnGotEndTag(const char*) {}

bool CXMLParser::GrowToken()
{
    const size_t size = (size_t)(m_pTokenLimit - m_pToken) + 1;
    const size_t used = (size_t)(m_pTokenWrite - m_pToken);
    if (size > ((size_t)-1) / 2)
        return false;
    char* grown;
    try {
        grown = static_cast<char*>(KxAlloc(size * 2));
    } catch (std::bad_alloc&) {
        return false;
    }
    memcpy(grown, m_pToken, size);
    KxFree(m_pToken);
    m_pToken = grown;
    m_pTokenWrite = grown + used;
    m_pTokenLimit = grown + size * 2 - 1;
    return true;
}

inline bool CXMLParser::AddRawTokenChar(char c)
{
    if (m_pTokenWrite == m_pTokenLimit && !GrowToken())
        return false;
    m_bTokenHasNul |= c == 0;
    *m_pTokenWrite++ = c;
    return true;
}

void CXMLParser::ResetCurrentToken()
{
    m_pTokenWrite = m_pToken;
    m_bLastWasSpace = false;
    m_bTokenHasNul = false;
}

// The test is on the buffer's first byte, which a reset leaves alone: right
// after a tag it still holds the tag's first character, and an empty text
// is delivered.
void CXMLParser::DeliverText()
{
    if (m_pToken[0] == 0)
        return;
    *m_pTokenWrite = 0;
    OnGotTextSpan(m_pToken, m_bTokenHasNul ? strlen(m_pToken) : (size_t)(m_pTokenWrite - m_pToken));
}

// Both readers below fold whitespace: a whitespace character is kept only
// when the one stored before it was not whitespace, so every run shrinks to
// its first character. The text reader keeps the read and write positions
// in locals: a store into the token (a char*) could alias any member, so
// working on members directly would reload them after every character.

CXMLParser::EState CXMLParser::ReadText()
{
    const char* p = m_pRead;
    const char* const end = m_pEnd;
    char* w = m_pTokenWrite;
    char* limit = m_pTokenLimit;
    bool lastSpace = m_bLastWasSpace;
    EState next = StateEnd;
    while (p < end) {
        // Up to the next byte that needs a look, the text goes as it stands.
        const char* const stop = XMLScan::FindTextStop<XMLScan::CChunk>(p, end, lastSpace);
        const size_t run = (size_t)(stop - p);
        if ((size_t)(limit - w) <= run) { // room for the run and one byte more
            m_pTokenWrite = w;
            if (!GrowToken()) {
                m_pRead = p;
                return StateNoMemory;
            }
            w = m_pTokenWrite;
            limit = m_pTokenLimit;
            continue;
        }
        if (run) {
            memcpy(w, p, run);
            w += run;
            p = stop;
            lastSpace = IsCSpace(stop[-1]);
            m_bFromEntity = false;
            if (p == end)
                break;
        }
        char c = *p++;
        m_bFromEntity = false;
        if (c == '<') {
            if (p < end && *p == '!' && StartsWith(p - 1, end, g_lpczCDATA_Start, kCDataStartLength)) {
                p += kCDataStartLength - 1;
                next = StateCData;
                break;
            }
            m_pTokenWrite = w;
            m_pRead = p;
            DeliverText();
            ResetCurrentToken();
            return StateTag;
        }
        // A decoded character is plain data: a decoded '<' starts nothing,
        // and decoded whitespace is kept even after a blank. The entity is
        // read through a copy of p: with its address taken, p would live in
        // memory for the whole loop.
        const char* entityEnd = p;
        if (c == '&' && ReadXMLEntity(entityEnd, end, c)) {
            p = entityEnd;
            lastSpace = false;
            m_bFromEntity = true;
        }
        if (IsCSpace(c)) {
            if (!lastSpace)
                *w++ = c; // room was checked above
            lastSpace = true;
            // The rest of the run goes at once.
            const char* const runEnd = p;
            while (p < end && IsCSpace(*p))
                p++;
            if (p != runEnd)
                m_bFromEntity = false;
            continue;
        }
        lastSpace = false;
        m_bTokenHasNul |= c == 0;
        *w++ = c;
    }
    m_pRead = p;
    m_pTokenWrite = w;
    m_bLastWasSpace = lastSpace;
    return next;
}

// A tag is found first. Without a run of blanks or a NUL in it, its bytes
// are the token as they stand and go out from the input; otherwise they
// are folded into the token.
CXMLParser::EState CXMLParser::ReadTag()
{
    const char* const start = m_pRead;
    bool folds = false;
    const char* const tagEnd = XMLScan::FindTagEnd<XMLScan::CChunk>(start, m_pEnd, folds);
    size_t length = (size_t)(tagEnd - start);
    while ((size_t)(m_pTokenLimit - m_pToken) < length) {
        if (!GrowToken())
            return StateNoMemory;
    }
    m_pRead = tagEnd < m_pEnd ? tagEnd + 1 : tagEnd; // the '<' or '>' is dropped
    const char* text = start;
    bool selfClosing = false;
    if (!folds) {
        selfClosing = length && start[length - 1] == '/';
        length -= selfClosing;
        // The first byte is what a copy would have left in the token: it
        // decides whether the next text is delivered.
        m_pToken[0] = length ? start[0] : 0;
    } else {
        char* w = m_pToken;
        bool lastSpace = false;
        for (const char* p = start; p < tagEnd; p++) {
            const bool space = IsCSpace(*p);
            if (!(space && lastSpace))
                *w++ = *p;
            lastSpace = space;
        }
        *w = 0;
        if (w > m_pToken && w[-1] == '/') {
            w[-1] = 0;
            selfClosing = true;
        }
        text = m_pToken;
        length = strlen(m_pToken);
    }
    OnGotTagSpan(text, length, selfClosing);
    ResetCurrentToken();
    return StateText;
}

// The section joins the surrounding text as it stands: no entities, no
// whitespace folding, and a '<' inside it is just a character.
CXMLParser::EState CXMLParser::ReadCData()
{
    m_bInCData = true;
    while (m_pRead < m_pEnd) {
        if (*m_pRead == ']' && StartsWith(m_pRead, m_pEnd, g_lpczCDATA_End, kCDataEndLength)) {
            m_pRead += kCDataEndLength;
            m_bInCData = false;
            m_bLastWasSpace = false;
            return StateText;
        }
        if (!AddRawTokenChar(*m_pRead++))
            return StateNoMemory;
    }
    m_bInCData = false;
    return StateEnd;
}

bool CXMLParser::Parse(const char* data, unsigned length)
{
    m_pRead = data;
    m_pEnd = data ? data + length : data;
    m_bInCData = false;
    try {
        EState state = StateText;
        for (;;) {
            switch (state) {
            case StateText:
                state = ReadText();
                break;
            case StateTag:
                state = ReadTag();
                break;
            case StateCData:
                state = ReadCData();
                break;
            case StateEnd:
                DeliverText();
                ResetCurrentToken();
                return true;
            case StateNoMemory:
                ResetCurrentToken();
                return false;
            }
        }
    } catch (std::bad_alloc&) {
        // Out of memory inside a callback: the same failure as our own.
        ResetCurrentToken();
        return false;
    }
}
