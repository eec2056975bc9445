#include "SetupLog.h"

#include <windows.h>

#include <cstdarg>

#include "Platform.h"

CSetupLog g_setupLog;

bool CSetupLog::Open(const char* path)
{
    Close();
    m_file.Reset(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
    if (!m_file.IsValid())
        return false;
    m_strPath = path;
    if (!m_strPending.IsEmpty()) {
        WriteRaw(m_strPending, m_strPending.GetLength());
        m_strPending.Empty();
    }
    return true;
}

void CSetupLog::Close() { m_file.Close(); }

void CSetupLog::WriteRaw(const char* text, int length)
{
    if (!m_file.IsValid()) {
        m_strPending += CSmallString(text, length);
        return;
    }
    DWORD written = 0;
    // Unbuffered on purpose: the log must hold everything up to a crash.
    WriteFile(m_file, text, (DWORD)length, &written, nullptr);
}

void CSetupLog::WriteQuietly(const char* text)
{
    DWORD written = 0;
    if (!m_file.IsValid() || !text)
        return;
    WriteFile(m_file, text, (DWORD)lstrlenA(text), &written, nullptr);
    WriteFile(m_file, "\r\n", 2, &written, nullptr);
}

void CSetupLog::Write(const char* text)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    CSmallString line;
    line.Format("%02u:%02u:%02u.%03u ", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    for (const char* p = text ? text : ""; *p; p++) {
        if (*p == '\r')
            continue;
        if (*p == '\n')
            line += p[1] ? " | " : "";
        else
            line += *p;
    }
    line += "\r\n";
    WriteRaw(line, line.GetLength());
}

void CSetupLog::WriteV(const char* format, va_list args)
{
    char buffer[2048];
    va_list copy;
    va_copy(copy, args);
    const int n = Mb::VSNPrintf(buffer, sizeof(buffer) - 1, format, copy);
    va_end(copy);
    if (n >= 0) {
        buffer[n] = 0;
        Write(buffer);
        return;
    }
    // Longer than the buffer: format again into a string that fits.
    CSmallString text;
    for (int size = 8192;; size *= 2) {
        va_copy(copy, args);
        const int m = Mb::VSNPrintf(text.GetBuffer(size), (size_t)size, format, copy);
        va_end(copy);
        if (m >= 0) {
            text.ReleaseBuffer(m);
            break;
        }
    }
    Write(text);
}

void CSetupLog::Writef(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteV(format, args);
    va_end(args);
}

void LogLine(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    g_setupLog.WriteV(format, args);
    va_end(args);
}
