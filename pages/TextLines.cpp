#include "TextLines.h"

CSmallString WithWindowsLineBreaks(const CSmallString& text)
{
    const char* p = text;
    const int length = text.GetLength();
    int lone = 0;
    for (int i = 0; i < length; i++)
        if ((p[i] == '\n' && (i == 0 || p[i - 1] != '\r')) || (p[i] == '\r' && p[i + 1] != '\n'))
            lone++;
    if (!lone)
        return text;

    CSmallString result;
    char* out = result.GetBuffer(length + lone);
    for (int i = 0; i < length; i++) {
        if (p[i] == '\n' && (i == 0 || p[i - 1] != '\r')) {
            *out++ = '\r';
            *out++ = '\n';
        } else if (p[i] == '\r' && p[i + 1] != '\n') {
            *out++ = '\r';
            *out++ = '\n';
        } else {
            *out++ = p[i];
        }
    }
    result.ReleaseBuffer(length + lone);
    return result;
}
