#include <windows.h>

#include "../Exceptions.h"
#include "Handles.h"

CSmallString GetLastErrorString(int systemError)
{
    if (systemError == 0)
        systemError = (int)GetLastError();
    CLocalMemory<char*> message;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, (DWORD)systemError, 0x400, reinterpret_cast<char*>(message.Receive()), 0, nullptr);
    CSmallString text;
    text.Format("(%d) %s", systemError, message.Get() ? message.Get() : "Unknown error");
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
