#include "TextLines.h"

#include <cstring>

namespace {

inline bool IsTrailByte(char c)
{
    return ((unsigned char)c & 0xC0) == 0x80;
}

// The start of the UTF-8 character that limit falls in: at most three
// trailing bytes back, and limit itself when the text is not UTF-8.
const char* CharacterStart(const char* start, const char* limit)
{
    const char* p = limit;
    while (p > start + 1 && limit - p < 3 && IsTrailByte(*p))
        p--;
    return IsTrailByte(*p) ? limit : p;
}

// Where a line that runs past limit breaks: after a blank in its second half,
// so that words stay whole, or else between two characters.
const char* LineBreak(const char* start, const char* limit)
{
    for (const char* p = limit; p > start + (limit - start) / 2; p--) {
        if (p[-1] == ' ' || p[-1] == '\t')
            return p;
    }
    return CharacterStart(start, limit);
}

} // namespace

CSmallString PrepareTermsText(const char* text, unsigned length, const char* note, unsigned maxBytes, unsigned maxLine)
{
    const char* const nul = static_cast<const char*>(memchr(text, 0, length));
    const char* const end = nul ? nul : text + length;
    bool cut = nul != nullptr;
    const size_t noteLength = strlen(note);
    // A lone CR or LF and a break each add two bytes to one or more.
    const size_t most = (size_t)(end - text) * 3 < maxBytes ? (size_t)(end - text) * 3 : maxBytes;
    CSmallString result;
    char* const out = result.GetBuffer((int)(most + noteLength + 4));
    char* w = out;
    for (const char* p = text; p < end;) {
        // The next line, or as much of it as may stand on one.
        const char* const limit = (size_t)(end - p) > maxLine ? p + maxLine : end;
        const char* q = p;
        while (q < limit && *q != '\n' && *q != '\r')
            q++;
        const bool lineEnds = q < end && (*q == '\n' || *q == '\r');
        const char* const stop = q == end || lineEnds ? q : LineBreak(p, q);
        const size_t needed = (size_t)(stop - p) + (stop == end ? 0 : 2);
        if ((size_t)(w - out) + needed > maxBytes) {
            if (w == out) { // not even one line fits: as much of it as does
                const size_t n = (size_t)((p + maxBytes < stop ? LineBreak(p, p + maxBytes) : stop) - p);
                memcpy(w, p, n);
                w += n;
            }
            cut = true;
            break;
        }
        memcpy(w, p, (size_t)(stop - p));
        w += stop - p;
        if (stop != end) {
            *w++ = '\r';
            *w++ = '\n';
        }
        p = stop;
        if (lineEnds)
            p += *p == '\r' && p + 1 < end && p[1] == '\n' ? 2 : 1;
    }
    if (cut) {
        if (w > out && w[-1] != '\n') {
            *w++ = '\r';
            *w++ = '\n';
        }
        *w++ = '\r';
        *w++ = '\n';
        memcpy(w, note, noteLength);
        w += noteLength;
    }
    result.ReleaseBuffer((int)(w - out));
    return result;
}
