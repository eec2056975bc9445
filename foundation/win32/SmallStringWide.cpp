// Wide-character construction: the process's code page (UTF-8 where the
// system honours the manifest), composing where an ANSI code page can, with
// the system's default character for what it cannot map.
#include <windows.h>

#include "Platform.h"
#include "SmallString.h"

namespace {

// UTF-8 takes no flags but WC_ERR_INVALID_CHARS: any other fails the call.
DWORD ConvertFlags() { return Mb::IsUtf8() ? 0 : WC_COMPOSITECHECK; }

} // namespace

// Sized by measuring first, so double-byte output is not cut short.
CSmallString::CSmallString(const wchar_t* s, int cch)
{
    Init();
    if (!s || cch <= 0)
        return;
    const int n = WideCharToMultiByte(CP_ACP, ConvertFlags(), s, cch, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return;
    AllocBuffer(n);
    const int done = WideCharToMultiByte(CP_ACP, ConvertFlags(), s, cch, m_pchData, n, nullptr, nullptr);
    if (done <= 0) {
        Release();
        return;
    }
    // Composition may have made fewer bytes than measured.
    GetData()->nDataLength = done;
    m_pchData[done] = 0;
}

CSmallString::CSmallString(const wchar_t* s)
{
    Init();
    if (!s)
        return;
    // The measure counts the terminating NUL.
    const int n = WideCharToMultiByte(CP_ACP, ConvertFlags(), s, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return;
    AllocBuffer(n - 1);
    const int done = WideCharToMultiByte(CP_ACP, ConvertFlags(), s, -1, m_pchData, n, nullptr, nullptr);
    if (done <= 0) {
        Release();
        return;
    }
    GetData()->nDataLength = done - 1;
    m_pchData[done - 1] = 0;
}
