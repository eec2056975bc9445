// The plain-text log every run writes: what was done, what was refused and
// why, every error with the system's reason, the exit code. Lines written
// before the log's place is known wait in memory until Open.
#pragma once

#include <cstdarg>

#include "SmallString.h"
#include "win32/Handles.h"

class CSetupLog
{
public:
    CSetupLog() {}
    ~CSetupLog() { Close(); }
    CSetupLog(const CSetupLog&) = delete;
    CSetupLog& operator=(const CSetupLog&) = delete;

    // Creates or truncates path and writes what waited. False (and the log
    // stays in memory) when the file can't be created.
    bool Open(const char* path);
    void Close();
    bool IsOpen() const { return m_file.IsValid(); }
    const CSmallString& GetPath() const { return m_strPath; }

    // One line, stamped with the local time; line breaks inside become
    // " | " so that every entry stays on its line.
    void Write(const char* text);
    void Writef(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // A line written without touching the heap (after a crash): no time.
    void WriteQuietly(const char* text);
    void WriteV(const char* format, va_list args);

private:
    void WriteRaw(const char* text, int length);

    CAutoHandle m_file;
    CSmallString m_strPath;
    CSmallString m_strPending;
};

extern CSetupLog g_setupLog;

// Shorthand for g_setupLog.Writef.
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
