// A run's journal on the disk, so that a run cut short (a crash, a kill, a
// power cut) can be undone or finished by the next run of the application
// (Recovery.h). It lies in the run's own private folder ("kx-undo-...",
// see Security.h), beside the files the run sets aside, as lines of
// JournalText, each written and flushed before the change it announces.
//
// The registry names every folder that holds a journal, where only
// administrators write when the run is elevated (HKEY_LOCAL_MACHINE), else
// in the user's own keys: a folder in a temporary folder could have been
// made by anyone, and only a journal the registry names is ever followed.
//
// While its run lives the file is held open with no one else allowed to
// write it: a later run that can open it alone knows its owner has gone.
#pragma once

#include <windows.h>

#include <initializer_list>

#include "Containers.h"
#include "JournalText.h"
#include "SmallString.h"
#include "win32/Handles.h"

extern const char kRunInstall[];   // "install"
extern const char kRunUninstall[]; // "uninstall"

// What a journal says of its run, on its first line.
struct SRunHeader
{
    CSmallString strKind;   // kRunInstall or kRunUninstall
    CSmallString strApp;    // the application's uninstall key name, else its app-name
    CSmallString strName;   // its app-name
    CSmallString strFolder; // the installation's folder
};

class CRunJournal
{
public:
    CRunJournal() {}
    // Leaves the journal where it is: a run that ends without End was cut short.
    ~CRunJournal() {}
    CRunJournal(const CRunJournal&) = delete;
    CRunJournal& operator=(const CRunJournal&) = delete;

    // Names a new run folder in the registry, makes it and starts the
    // journal there with header. Throws when any of them can't be made: a
    // run that can't keep its journal changes nothing.
    void Begin(const SRunHeader& header);
    // Takes over a journal whose run has gone, held open alone by held.
    void Adopt(const CSmallString& folder, HANDLE held);
    // Lets go of the journal, leaving it for a later run.
    void Release();

    bool IsOpen() const { return m_file.IsValid(); }
    // Ends with a backslash; empty before Begin.
    const CSmallString& GetFolder() const { return m_strFolder; }

    // Appends a line. flush: on the disk before this returns, for a line
    // that announces a change. A line the same as the last one is not
    // repeated. Throws when it can't be written.
    void Write(std::initializer_list<CSmallString> fields, bool flush);
    // What was written so far, on the disk.
    void Flush();

    // The run has ended: the journal goes, then the folder if nothing else
    // is left in it (false when something is), and the registry's mark.
    bool End();

private:
    [[noreturn]] void ThrowWriteFailed() const;

    CAutoHandle m_file;
    CSmallString m_strFolder;
    CSmallString m_strLast;
};

// The header of a journal read back (its lines); false when its first line
// is not one.
bool ReadRunHeader(const Container::CArray<JournalText::CFields>& lines, SRunHeader& header);

// An uninstall's journal, and what a later run needs to finish it: the
// log it runs is saved beside the journal (kSavedLog), with whether that
// log was the copy kept for administrators (LogCopy.h) and which.
struct SUninstallRun
{
    CRunJournal journal;
    SRunHeader header;
    bool bTrusted = false;
    CSmallString strCopy;     // the administrators' copy, removed with its entry
    CSmallString strEntryKey; // that entry, below HKEY_LOCAL_MACHINE
    unsigned long ulView = 0; // its registry view
};

// Begins run's journal (run.header and the rest filled in) with the log's
// text saved. Throws when they can't be written.
void BeginUninstallRun(SUninstallRun& run, const CSmallString& logText);
// The uninstall has ended: its saved log and journal go.
void EndUninstallRun(SUninstallRun& run);
// Reads the rest of an uninstall's journal (its lines) into run.
void ReadUninstallRun(const Container::CArray<JournalText::CFields>& lines, SUninstallRun& run);

// The saved log's file name in its folder.
extern const char kSavedLog[];
// The journal's file name in its folder.
extern const char kJournalFile[];
// The prefix of a run folder that may hold a journal.
extern const char kRunFolderPrefix[];

// The run folders the registry names (full paths with a trailing
// backslash), and the mark of one removed.
Container::CArray<CSmallString> GetMarkedRunFolders();
void UnmarkRunFolder(const CSmallString& folder);
