#include <windows.h>

#include "PeHeaders.h"
#include "Startup.h"
#include "win32/Handles.h"

bool CarriesPackage(const char* programPath)
{
    CAutoHandle file(CreateFileA(programPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file.IsValid() || !GetFileSizeEx(file, &size))
        return true;
    // The stub's headers, section table included, take 1 KiB.
    unsigned char headers[4096];
    const DWORD want = size.QuadPart < (LONGLONG)sizeof(headers) ? (DWORD)size.QuadPart : (DWORD)sizeof(headers);
    DWORD got = 0;
    if (!ReadFile(file, headers, want, &got, nullptr) || got != want)
        return true;
    return !HoldsOnlyItsImage(headers, got, (unsigned long long)size.QuadPart);
}
