#include "SetupLog.h"

#include <windows.h>

#include <cstdarg>
#include <cstring>

#include "Exceptions.h"
#include "Platform.h"

CSetupLog g_setupLog;

namespace {

// Every setup log starts with a time ("12:34:56.789 ") and this: how an
// earlier one is told from anything else at its name.
const char g_szFirstLine[] = "kxsetup setup log";
const char g_szProgram[] = "kxsetup ";
const int kStampLength = 13;

// How many names OpenFirstFree tries.
const int kLogNames = 5;

bool IsStamp(const char* text)
{
    for (int i = 0; i < kStampLength; i++) {
        const char c = text[i];
        const bool digit = c >= '0' && c <= '9';
        if (i == 2 || i == 5 ? c != ':' : i == 8 ? c != '.' : i == 12 ? c != ' ' : !digit)
            return false;
    }
    return true;
}

// The open file is an earlier setup log, and its only name is the one it
// was opened by: no link (its own attributes, as it was opened without
// following one), no second name that another file of the system has.
bool IsEarlierSetupLog(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) || info.nNumberOfLinks != 1 ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)))
        return false;
    char head[kStampLength + sizeof(g_szProgram) - 1];
    DWORD got = 0;
    return ReadFile(file, head, sizeof(head), &got, nullptr) && got == sizeof(head) && IsStamp(head) &&
           memcmp(head + kStampLength, g_szProgram, sizeof(g_szProgram) - 1) == 0;
}

typedef BOOL(WINAPI* SetFileInformationFn)(HANDLE, int, void*, DWORD);

// Marks the open file for deletion once its last handle closes (which
// needs DELETE access): since Vista, looked up; false without it.
bool DeleteThroughHandle(HANDLE file)
{
    static const SetFileInformationFn s_pfnSet = reinterpret_cast<SetFileInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetFileInformationByHandle")));
    const int kFileDispositionInfo = 4;
    struct
    {
        BOOLEAN bDelete;
    } disposition = {TRUE};
    return s_pfnSet && s_pfnSet(file, kFileDispositionInfo, &disposition, sizeof(disposition));
}

} // namespace

ELogOpen CSetupLog::Open(const char* path, CSmallString& why)
{
    Close();
    // CREATE_NEW fails on any existing name, a link included.
    // DELETE: the log may yet have to leave this place (Withdraw).
    m_file.Reset(CreateFileA(path, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file.IsValid()) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            why = GetLastErrorString((int)error);
            return LogFailed;
        }
        m_file.Reset(CreateFileA(path, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!m_file.IsValid() || !IsEarlierSetupLog(m_file) ||
            SetFilePointer(m_file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !SetEndOfFile(m_file)) {
            m_file.Close();
            why = "something other than an earlier setup log has that name";
            return LogRefused;
        }
    }
    m_strPath = path;
    Write(g_szFirstLine);
    if (!m_strPending.IsEmpty()) {
        WriteRaw(m_strPending, m_strPending.GetLength());
        m_strPending.Empty();
    }
    return LogOpened;
}

bool CSetupLog::OpenFirstFree(const char* stem)
{
    for (int n = 1; n <= kLogNames; n++) {
        CSmallString path(stem);
        if (n > 1)
            path.Addf("-%d", n);
        path += ".log";
        CSmallString why;
        if (Open(path, why) == LogOpened)
            return true;
    }
    return false;
}

bool CSetupLog::Withdraw()
{
    const DWORD size = m_file.IsValid() ? GetFileSize(m_file, nullptr) : INVALID_FILE_SIZE;
    if (size == INVALID_FILE_SIZE || SetFilePointer(m_file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return false;
    CSmallString text;
    DWORD got = 0;
    const BOOL read = ReadFile(m_file, text.GetBuffer((int)size + 1), size, &got, nullptr);
    text.ReleaseBuffer(read ? (int)got : 0);
    SetFilePointer(m_file, 0, nullptr, FILE_END);
    if (!read || got != size || !DeleteThroughHandle(m_file))
        return false;
    m_file.Close();
    // The first line is written again by the next Open.
    const char* rest = strstr(text.GetText(), "\r\n");
    m_strPending = CSmallString(rest ? rest + 2 : "") + m_strPending;
    m_strPath.Empty();
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
