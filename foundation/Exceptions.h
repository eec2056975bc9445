// The exception tree. Exceptions are heap objects thrown by pointer; the
// catcher reads GetError() and ends the object with Delete().
#pragma once

#include "SmallString.h"

class CBaseException
{
public:
    enum ErrorCodes : int
    {
        OutOfMemory = 0,
        OpenFailed = 1,
        IOFailure = 2,
        DataFormatError = 3,
        ConnectionFailure = 6,
        RequestFailure = 7,
        UnknownUserId = 8,
        InternalError = 9,
        InitialisationFailure = 10,
        InvalidFunctionCall = 11,
        OperationCancelled = 12,
        DataAccessError = 13,
        NotFound = 14,
    };

    explicit CBaseException(ErrorCodes code) : m_code(code) {}
    CBaseException(const CBaseException&) = delete;
    CBaseException& operator=(const CBaseException&) = delete;

    // Destroys and frees the object; safe on a null pointer.
    virtual void Delete();
    virtual const char* GetError() const;
    virtual ~CBaseException() {}

    ErrorCodes GetErrorCode() const { return m_code; }
    // The fixed text of a code; "Unknown error" for codes without one.
    static const char* GetCodeText(int code);

private:
    ErrorCodes m_code;
};

class CExtraInfoException : public CBaseException
{
public:
    CExtraInfoException(ErrorCodes code, const char* extra) : CBaseException(code), m_strExtra(extra) {}
    const char* GetError() const override;

protected:
    CSmallString m_strExtra;
};

#ifdef _WIN32
class CLastErrorException : public CExtraInfoException
{
public:
    CLastErrorException(ErrorCodes code, int systemError);
};

// "(n) text" for a system error number; 0 means the thread's last error.
CSmallString GetLastErrorString(int systemError);
CSmallString GetLastErrorString();
#endif

class CFileStoreException : public CBaseException
{
public:
    CFileStoreException(ErrorCodes code, const char* text) : CBaseException(code), m_strText(text) {}
    const char* GetError() const override;

private:
    CSmallString m_strText;
};
