// The plain-text log every run writes: what was done, what was refused and
// why, every error with the system's reason, the exit code. Lines written
// before the log's place is known wait in memory until Open.
//
// Its places are names anyone may have taken first (in the user's
// temporary folder, or whatever /LOG= says), and the program may run with
// administrator rights: it writes only a file it creates, or an earlier
// setup log, never through a link or over anything else.
#pragma once

#include <cstdarg>

#include "SmallString.h"
#include "win32/Handles.h"

enum ELogOpen
{
    LogOpened,
    LogRefused, // something else has the name: left as it is
    LogFailed,  // the system could not create the file
};

class CSetupLog
{
public:
    CSetupLog() {}
    ~CSetupLog() { Close(); }
    CSetupLog(const CSetupLog&) = delete;
    CSetupLog& operator=(const CSetupLog&) = delete;

    // Creates path new, or writes over the earlier setup log there (a plain
    // file with no other name, not a link, that starts as every setup log
    // starts), and writes what waited. Otherwise the log stays in memory
    // and why says what is wrong with the place.
    ELogOpen Open(const char* path, CSmallString& why);
    // "<stem>.log", or when something else has that name "<stem>-2.log" and
    // so on, a few names in all. False when none could be used.
    bool OpenFirstFree(const char* stem);
    // Stops writing to the file: what it holds waits in memory again for
    // the next Open, and the file is deleted through the handle that wrote
    // it, never by its name. False, the file kept open, when it can't be
    // read back or deleted.
    bool Withdraw();
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
