#include "Exceptions.h"

void CBaseException::Delete() { delete this; }

const char* CBaseException::GetCodeText(int code)
{
    static const char* const s_texts[] = {
        "Out of memory",
        "Open failed",
        "IO failure",
        "Data format error",
        "Unknown error",
        "Unknown error",
        "Connection failure",
        "Request Failure",
        "Unknown user identification code",
        "Internal Error",
        "Initialisation Failure",
        "Invalid function call",
        "Operation Cancelled",
        "Data access error",
        "Not found",
    };
    if (code < 0 || code >= (int)(sizeof(s_texts) / sizeof(s_texts[0])))
        return "Unknown error";
    return s_texts[code];
}

const char* CBaseException::GetError() const { return GetCodeText(m_code); }

const char* CExtraInfoException::GetError() const
{
    return m_strExtra.IsEmpty() ? CBaseException::GetError() : m_strExtra.GetText();
}

const char* CFileStoreException::GetError() const
{
    return m_strText.IsEmpty() ? CBaseException::GetError() : m_strText.GetText();
}
