#include "ArgumentQuoting.h"

namespace {

void AddBackslashes(CSmallString& text, int count)
{
    for (int i = 0; i < count; i++)
        text += '\\';
}

} // namespace

CSmallString QuoteArgument(const char* argument)
{
    CSmallString quoted("\"");
    int backslashes = 0;
    for (const char* p = argument ? argument : ""; *p; p++) {
        if (*p == '\\') {
            backslashes++;
            continue;
        }
        // Backslashes count as escapes only before a quote.
        AddBackslashes(quoted, *p == '"' ? backslashes * 2 + 1 : backslashes);
        backslashes = 0;
        quoted += *p;
    }
    AddBackslashes(quoted, backslashes * 2);
    quoted += '"';
    return quoted;
}
