#include "Folders.h"

#include <windows.h>

#include "SmallString.h"

namespace {
bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The part of the path that exists by definition: "C:\", "C:",
// "\\server\share\" or a leading "\".
int RootLength(const char* p)
{
    if (p[0] && p[1] == ':')
        return IsSeparator(p[2]) ? 3 : 2;
    if (IsSeparator(p[0]) && IsSeparator(p[1])) {
        int i = 2;
        for (int part = 0; part < 2 && p[i]; ++part) {
            while (p[i] && !IsSeparator(p[i]))
                ++i;
            if (p[i])
                ++i;
        }
        return i;
    }
    return IsSeparator(p[0]) ? 1 : 0;
}
} // namespace

bool CreateDirectoryPath(const char* path)
{
    if (!path || !*path)
        return false;

    CSmallString strPath(path);
    char* p = strPath.GetBuffer(strPath.GetLength());
    const int root = RootLength(p);

    // Create each prefix in turn; failures (mostly "already exists") are
    // judged by the final check alone.
    char* pEnd = p + root;
    for (char* q = pEnd; *q; q = CharNextA(q)) {
        if (IsSeparator(*q)) {
            const char c = *q;
            *q = 0;
            CreateDirectoryA(p, nullptr);
            *q = c;
        } else
            pEnd = CharNextA(q);
    }
    // pEnd: just past the last character that is not a separator.
    *pEnd = 0;
    if (pEnd > p + root)
        CreateDirectoryA(p, nullptr);

    const DWORD attributes = GetFileAttributesA(p);
    strPath.ReleaseBuffer(0);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
