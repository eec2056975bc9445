// CSinReader: the installer package read from the program's own file, and
// (on Windows) the engine that runs its script.
#pragma once

#include "Containers.h"
#include "SmallString.h"

class CByteSinkABC;
class CPackageStream;
class CXMLDocument;
class CXMLNode;
class CSinProgressABC;
class CInstallSession;
class CSafeRemover;
struct CCommandRunner;
enum EStepResult : int;

class CSinReader
{
public:
    CSinReader();
    virtual ~CSinReader();
    CSinReader(const CSinReader&) = delete;
    CSinReader& operator=(const CSinReader&) = delete;

    // Parses the whole package from the file image in array (consumed: it
    // holds the data block or less on return). False: no valid package.
    bool ExtractFromDataBlock(Container::CArray<unsigned char>& array);
    // Reads the package from the installer file as a stream instead: only
    // the script is read now, the items when they are asked for. False: the
    // file can't be read (IsUnreadable) or holds no valid package.
    bool OpenPackage(const char* path);
    bool IsUnreadable() const { return m_bUnreadable; }

    // Items, whichever way the package was read. ReadItem keeps what it
    // read (they are small: texts, the logo), CopyItem hands an item on in
    // pieces (files of any size). Both false for an id outside the table,
    // or when the package turns out damaged (GetLastFailure), or when the
    // sink stops the copy (GetLastFailure null).
    unsigned GetItemCount() const;
    bool ReadItem(unsigned id, Container::CArray<unsigned char>& data);
    bool CopyItem(unsigned id, CByteSinkABC& sink);
    // The installer without its package: the future uninstall.exe.
    bool CopyUninstaller(CByteSinkABC& sink);
    // Reads a streamed package to its end and checks its own checksum, which
    // proves every item read so far was what the packer wrote (inflating is
    // deterministic). True at once for a package read whole.
    bool VerifyPackage();
    // How far through the package reading has come, and its whole size, in
    // bytes of the data block (a streamed package) or of the items.
    void GetPackagePosition(unsigned long long& done, unsigned long long& total) const;

    // Filled by ExtractFromDataBlock only.
    const Container::CArray<Container::CArray<unsigned char>>& GetItems() const { return m_arrItems; }
    const Container::CArray<unsigned char>& GetUninstallerImage() const { return m_arrUninstaller; }
    const CSmallString& GetScriptText() const { return m_strScript; }
    CXMLDocument* GetDocument() const { return m_pDocument; }
    const CSmallString& GetSection() const { return m_strSection; }

    // Why the last extraction failed, for tools and logs (not shown to users).
    const char* GetLastFailure() const { return m_pszFailure; }

    // The script engine (Windows only).

    enum ERunResult
    {
        RunDone,      // every step done (or nothing needed doing)
        RunCancelled, // the user stopped it; everything done was undone
        RunFailed,    // the user or the log has been told why; undone
    };

    // Runs the install section against destination (APP is set to it) and,
    // when every step succeeded, registers the uninstaller. Any failure or
    // a cancel undoes everything done so far. True for RunDone.
    bool Install(const CSmallString& destination, CSinProgressABC* progress);
    // How the last Install or uninstall ended.
    ERunResult GetRunResult() const { return m_eRunResult; }
    // Children of the current section: the progress bar's range.
    unsigned GetInstallStepCount();
    // A setting of the current section: the item `id` as text, or the
    // element's text. False when there is no such element.
    bool GetInstallItem(const char* name, CSmallString& value);
    // A setting's binary item; true when the element exists (data is left
    // as it was when the element has no usable id).
    bool GetInstallBinaryItem(const char* name, Container::CArray<unsigned char>& data);
    // Expands %NAME% references and folds doubled backslashes.
    void TranslatePath(CSmallString& path);
    // The uninstaller's entry: checks the log is whole, asks (unless ask is
    // false), then runs its uninstall section and tells what was left.
    void UninstallFromScript(const char* logPath, bool ask = true);
    // Runs the uninstall section of the loaded log with APP = folder.
    void Uninstall(const CSmallString& folder, CSinProgressABC* progress);
    // A file the uninstall must leave until RemoveKeptFile: the waiting
    // uninstaller's own program.
    void SetKeepFile(const char* path) { m_strKeepFile = path; }
    // Removes the kept file and the folders the log removed around it, when
    // the log removed it.
    void RemoveKeptFile();

private:
    friend struct CCommandRunner;

    CXMLNode* FindSection();
    EStepResult ExecuteCommands(CXMLNode* section, CSinProgressABC* progress, CInstallSession* session,
                                CSafeRemover& remover);
    // False when the value could not be written.
    bool AddRegKey(const char* key, const char* valueName, const char* value);
    bool AddRegKey(const char* key, const char* valueName, unsigned int value);
    bool AddUninstall(CInstallSession& session);

    bool Fail(const char* why);
    bool InflatePayload(const unsigned char* block, uint32_t size);

    Container::CArray<Container::CArray<unsigned char>> m_arrItems;
    CSmallString m_strScript;
    CXMLDocument* m_pDocument;
    CSmallString m_strSection;
    Container::CArray<unsigned char> m_arrUninstaller;
    const char* m_pszFailure;
    CPackageStream* m_pStream = nullptr; // a package read as a stream
    bool m_bUnreadable = false;
    // Items ReadItem has read from the stream, by id (empty: not read).
    Container::CArray<Container::CArray<unsigned char>> m_arrRead;
    Container::CArray<bool> m_arrWasRead;
    unsigned long long m_ullItemBytesDone = 0; // copied so far, without a stream

    ERunResult m_eRunResult = RunDone;
    CInstallSession* m_pSession = nullptr; // while Install runs
    CSmallString m_strKeepFile;
    Container::CArray<CSmallString> m_arrKeptFolders; // removed with the kept file
    bool m_bKeptFileRemoved = false;                  // the log removed it
};

// Reads the whole file; false when it can't be opened or read.
bool ReadFileIntoArray(const char* path, Container::CArray<unsigned char>& array);

// Cuts everything after the last "KXCheck" in the array.
void RemoveJunkFromTheEndOfTheArray(Container::CArray<unsigned char>& array);

// When the array ends with tag (without its NUL): value = the u32 before
// it, the array loses both, true. Otherwise nothing changes, false.
bool GetValueFromArrayEnd(Container::CArray<unsigned char>& array, const char* tag, uint32_t& value);
