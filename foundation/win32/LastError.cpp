#include <windows.h>

#include "../Exceptions.h"

CSmallString GetLastErrorString(int systemError)
{
    if (systemError == 0)
        systemError = (int)GetLastError();
    char* message = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, (DWORD)systemError, 0x400, reinterpret_cast<char*>(&message), 0, nullptr);
    CSmallString text;
    text.Format("(%d) %s", systemError, message ? message : "Unknown error");
    if (message)
        LocalFree(message);
    if (text.IsEmpty())
        text = "Unknown error";
    text.TrimBoth();
    return text;
}

CSmallString GetLastErrorString() { return GetLastErrorString(0); }

CLastErrorException::CLastErrorException(ErrorCodes code, int systemError)
    : CExtraInfoException(code, GetLastErrorString(systemError))
{
}
