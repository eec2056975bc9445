#include "TermsEncoding.h"

#include <cstdlib>
#include <cstring>

#include "Containers.h"
#include "Utf8.h"

namespace {

// UTF-16 code units (little-endian in memory) as UTF-8.
CSmallString WideToUtf8(const wchar_t* text, int count)
{
    CSmallString result;
    if (count <= 0)
        return result;
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, count, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return result;
    const int done = WideCharToMultiByte(CP_UTF8, 0, text, count, result.GetBuffer(n), n, nullptr, nullptr);
    result.ReleaseBuffer(done > 0 ? done : 0);
    return result;
}

CSmallString FromUtf16(const unsigned char* p, unsigned length, bool bigEndian)
{
    Container::CArray<wchar_t> wide;
    wide.SetSize(length / 2);
    for (unsigned i = 0; i < length / 2; i++) {
        const unsigned char a = p[2 * i], b = p[2 * i + 1];
        wide[i] = (wchar_t)(bigEndian ? (a << 8 | b) : (a | b << 8));
    }
    return WideToUtf8(wide.GetData(), (int)wide.GetSize());
}

// The code page the user's older programs write in, even when this process
// runs in UTF-8.
UINT LegacyCodePage()
{
    char text[8] = "";
    if (!GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, text, sizeof text))
        return 1252;
    const UINT cp = (UINT)atoi(text);
    return cp && cp != CP_UTF8 ? cp : 1252;
}

CSmallString FromCodePage(const char* p, unsigned length, UINT codePage)
{
    const int n = MultiByteToWideChar(codePage, 0, p, (int)length, nullptr, 0);
    if (n <= 0)
        return CSmallString();
    Container::CArray<wchar_t> wide;
    wide.SetSize((unsigned)n);
    const int done = MultiByteToWideChar(codePage, 0, p, (int)length, wide.GetData(), n);
    return WideToUtf8(wide.GetData(), done);
}

} // namespace

CSmallString TermsAsUtf8(const char* data, unsigned length)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
    if (length >= 2 && p[0] == 0xFF && p[1] == 0xFE)
        return FromUtf16(p + 2, length - 2, false);
    if (length >= 2 && p[0] == 0xFE && p[1] == 0xFF)
        return FromUtf16(p + 2, length - 2, true);
    if (length >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return CSmallString(data + 3, (int)length - 3);
    // A NUL ends the text as the page shows it: decide by what comes before.
    const unsigned shown = (unsigned)strnlen(data, length);
    if (Utf8::IsValid(data, shown))
        return CSmallString(data, (int)length);
    return FromCodePage(data, shown, LegacyCodePage());
}

bool SetDlgItemTextUtf8(HWND dialog, int id, const CSmallString& text)
{
    const int length = text.GetLength();
    const int n = length ? MultiByteToWideChar(CP_UTF8, 0, text, length, nullptr, 0) : 0;
    Container::CArray<wchar_t> wide;
    wide.SetSize((unsigned)n + 1);
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text, length, wide.GetData(), n);
    wide[(unsigned)n] = 0;
    return SetDlgItemTextW(dialog, id, wide.GetData()) != FALSE;
}
