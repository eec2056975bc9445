// CSinReader: the installer package read from the program's own file, and
// (on Windows) the engine that runs its script.
#pragma once

#include <cstdio>

#include "Containers.h"
#include "ExitCodes.h"
#include "OwnedPtr.h"
#include "ReleasePtr.h"
#include "ScriptWords.h"
#include "SmallString.h"
#include "XMLDocument.h"

class CBlockDecoderABC;
class CByteSinkABC;
class CPackageStream;
class CXMLNode;
class CSinProgressABC;
class CInstallSession;
class CSafeRemover;
class CInstallRecord;
class CRegistration;
struct CCommandRunner;
struct SUninstallRun;
enum EStepResult : int;

class CSinReader
{
public:
    CSinReader();
    virtual ~CSinReader();
    CSinReader(const CSinReader&) = delete;
    CSinReader& operator=(const CSinReader&) = delete;

    // Reads the package from the installer file as a stream: only the
    // script is read now, the items when they are asked for. False: the
    // file can't be read (IsUnreadable) or holds no valid package.
    bool OpenPackage(const char* path);
    // The same over an open file, which the reader then owns.
    bool OpenPackage(FILE* file);
    bool IsUnreadable() const { return m_bUnreadable; }

    // Items of the package. ReadItem keeps what it read (they are small:
    // texts, the logo), CopyItem hands an item on in pieces (files of any
    // size). Both false for an id outside the table (an uninstaller has no
    // package: none is inside), or when the package turns out damaged
    // (GetLastFailure), or when the sink stops the copy (GetLastFailure null).
    unsigned GetItemCount() const;
    bool ReadItem(unsigned id, Container::CArray<unsigned char>& data);
    bool CopyItem(unsigned id, CByteSinkABC& sink);
    // The installer without its package: the future uninstall.exe.
    bool CopyUninstaller(CByteSinkABC& sink);
    // Reads the package to its end and checks its own checksum, which proves
    // every item read so far was what the packer wrote (inflating is
    // deterministic). True at once without a package.
    bool VerifyPackage();
    // The package's decoder from now on (PackageStream.h); no package, no change.
    void WrapDecoder(CBlockDecoderABC* (*wrap)(CBlockDecoderABC* inner));
    // How far through the package's data block reading has come, and its
    // whole size, in bytes.
    void GetPackagePosition(unsigned long long& done, unsigned long long& total) const;
    // What an installation takes on its drive: the files the script installs
    // (as the packer summed them) and the uninstaller. False, with what is
    // known, when the script carries no sum (packed by hand or by an older
    // packer).
    bool GetSpaceRequired(unsigned long long& bytes) const;

    // The script of the package, or the uninstall log being run.
    CXMLDocument* GetDocument() const { return m_pDocument.Get(); }
    const CSmallString& GetSection() const { return m_strSection; }

    // Why the last call failed, for tools and logs (not shown to users).
    const char* GetLastFailure() const { return m_pszFailure; }

    // The script engine (Windows only).

    enum ERunResult
    {
        RunDone,       // every step done (or nothing needed doing)
        RunCancelled,  // the user stopped it; everything done was undone
        RunFailed,     // the user or the log has been told why; undone
        RunFileInUse,  // unattended: a file was in use; undone
        RunInProgress, // another run of the application holds it; nothing done
        RunRestartNeeded, // done, but files in use are replaced or removed at the next restart
    };

    // Runs the install section against destination (APP is set to it) and,
    // when every step succeeded, registers the uninstaller. Any failure or
    // a cancel undoes everything done so far. True for RunDone and
    // RunRestartNeeded.
    bool Install(const CSmallString& destination, CSinProgressABC* progress);
    // How the last Install or uninstall ended, and the program's exit code
    // for it (ExitCodes.h).
    ERunResult GetRunResult() const { return m_eRunResult; }
    int GetExitCode() const;
    // Children of the current section: the progress bar's range.
    unsigned GetInstallStepCount();
    // A setting of the current section: the item `id` as text, or the
    // element's text. False when there is no such element. Of settings
    // written per language (lang="de"), the one in the run's language,
    // else the one without lang; app-name names the installation, so it
    // is never taken per language here (GetShownAppName is).
    bool GetInstallItem(const char* name, CSmallString& value);
    // The application's name as the user reads it: app-name in the run's
    // language, else app-name.
    bool GetShownAppName(CSmallString& value);
    // The language the run speaks ("en" for the program's own texts).
    void SetLanguage(const char* code) { m_strLanguage = code; }
    // The current section of the document, or null.
    CXMLNode* FindSection();
    // A setting's binary item; true when the element exists (data is left
    // as it was when the element has no usable id).
    bool GetInstallBinaryItem(const char* name, Container::CArray<unsigned char>& data);
    // Expands %NAME% references and folds doubled backslashes.
    void TranslatePath(CSmallString& path);
    // The uninstaller's entry: checks the log is whole, asks (unless ask is
    // false), then runs its uninstall section and tells what was left.
    // run: the uninstall keeps its journal there (RunJournal.h), begun once
    // the user said yes; the caller ends it once everything is done.
    void UninstallFromScript(const char* logPath, bool ask = true, CSinProgressABC* progress = nullptr,
                             SUninstallRun* run = nullptr);
    // Finishes an uninstall that was cut short, with the log it saved in
    // its journal (taken over in run), as UninstallFromScript would;
    // uninstall-url is opened only with openUrl. Answered No, the journal
    // is let go for a later run.
    void FinishUninstall(SUninstallRun& run, bool ask, bool openUrl, CSinProgressABC* progress = nullptr);
    // After an uninstall: whether it went through, the installation removed
    // (false when it stopped short, failed to remove something or never
    // began), and what it left and why, as lines for the user (empty when
    // nothing). The caller tells the user; the engine only tells failures.
    bool WasRemoved(CSmallString& leftBehind) const
    {
        leftBehind = m_strLeftBehind;
        return m_bRemoved;
    }

    // Whether UninstallFromScript asks first (refuses, when unattended) for a
    // folder no Uninstall entry names: a copied uninstaller, or one whose
    // installation was removed already. The program's uninstaller does.
    void SetRequireRegistration(bool require) { m_bRequireRegistration = require; }
    // A file the uninstall must leave until RemoveKeptFile: the waiting
    // uninstaller's own program.
    void SetKeepFile(const char* path) { m_strKeepFile = path; }
    // Removes the kept file and the folders the log removed around it, when
    // the log removed it.
    void RemoveKeptFile();
    // Called once an uninstall has been agreed to, before anything is
    // removed, with the installation's folder: RunDone goes on, RunCancelled
    // or RunFileInUse ends the uninstall with nothing removed. The program asks
    // there about the programs that hold the folder's files.
    typedef ERunResult (*FolderInUseCheck)(const char* folder);
    void SetFolderInUseCheck(FolderInUseCheck check) { m_pfnFolderInUseCheck = check; }

private:
    friend struct CCommandRunner;

    CXMLNode* FindSetting(const char* name, bool perLanguage);
    EStepResult ExecuteCommands(CXMLNode* section, CSinProgressABC* progress, CInstallSession* session,
                                CSafeRemover& remover);
    // False when the value could not be written.
    bool AddRegKey(const char* key, const char* valueName, const char* value);
    bool AddRegKey(const char* key, const char* valueName, unsigned int value);
    // A value of the script's type (RegistryData.h) from its text, %APP%
    // and the environment replaced as the type allows; false with why when
    // the text isn't one of the type or the registry refused it.
    bool AddRegValue(const char* key, const char* valueName, const char* type, const CSmallString& text,
                     CSmallString& why);
    // Data of the registry's type number, as it is.
    bool WriteRegValue(const char* key, const char* valueName, unsigned type, const void* data, unsigned size);
    bool AddUninstall(CInstallSession& session);
    // Asks (unless !ask), then runs the loaded log in run's folder and
    // removes the administrators' copy with its entry. logText: a new run,
    // whose journal is begun with it once the user said yes.
    void RunLoadedLog(const CInstallRecord* record, bool ask, bool openUrl, CSinProgressABC* progress,
                      SUninstallRun& run, const CSmallString* logText);
    // Runs the uninstall section of the loaded log with APP = folder,
    // removing only what record lists (null: a log without one).
    void Uninstall(const CSmallString& folder, const CInstallRecord* record, CSinProgressABC* progress,
                   CRegistration& registration);
    // Writes back the entry and log an uninstall that stopped short removed,
    // keeps the uninstaller and tells the user in message.
    void GiveBackRegistration(CRegistration& registration, CSmallString& message);

    // Takes the stream opened (or refused) by OpenPackage.
    bool Adopt(bool opened);

    CReleasePtr<CXMLDocument> m_pDocument;
    CSmallString m_strSection = Section::Install;
    CSmallString m_strLanguage = "en";
    const char* m_pszFailure = nullptr;
    COwnedPtr<CPackageStream> m_pStream; // the package; null in an uninstaller
    bool m_bUnreadable = false;
    // Items ReadItem has read from the stream, by id (empty: not read).
    Container::CArray<Container::CArray<unsigned char>> m_arrRead;
    Container::CArray<bool> m_arrWasRead;

    ERunResult m_eRunResult = RunDone;
    CInstallSession* m_pSession = nullptr; // while Install runs
    CSmallString m_strKeepFile;
    // The copy of the uninstall log kept for administrators: the one an
    // upgrade replaces, removed once the installation has succeeded.
    CSmallString m_strOldLogCopy;
    // Commands of the uninstall log that the copy kept for administrators
    // doesn't hold: refused.
    Container::CArray<CSmallString> m_arrNotInCopy;
    bool m_bLogTrusted = false; // the log run is the administrators' copy
    bool m_bRequireRegistration = false;
    Container::CArray<CSmallString> m_arrKeptFolders; // removed with the kept file
    bool m_bKeptFileRemoved = false;                  // the log removed it
    bool m_bRemoved = false;                          // the last uninstall went through
    CSmallString m_strLeftBehind;                     // and left these, for the user
    FolderInUseCheck m_pfnFolderInUseCheck = nullptr;
};
