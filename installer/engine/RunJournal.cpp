#include "RunJournal.h"

#include <cstdlib>
#include <cstring>

#include "Exceptions.h"
#include "JournalRecords.h"
#include "JournalText.h"
#include "Registry.h"
#include "Security.h"

const char kRunInstall[] = "install";
const char kRunUninstall[] = "uninstall";
const char kJournalFile[] = "journal.txt";
const char kRunFolderPrefix[] = "kx-undo-";
const char kSavedLog[] = "uninstall.dat";

namespace {

const char kMarks[] = "Software\\kxsetup\\Journals";
const char kMarksParent[] = "Software\\kxsetup";
const char kFormat[] = "kxsetup-journal";

// The marks stay in the installer's own view, whatever the application's:
// every run, of any application, looks for them there.
const REGSAM kMarksView = KEY_WOW64_32KEY;

LONG DeleteMarksKey(HKEY root, const char* subkey)
{
#ifdef _WIN64
    // The 64-bit build of the tests must name the view.
    return RegDeleteKeyExA(root, subkey, kMarksView, 0);
#else
    // The installer's own view, and the only one on 32-bit Windows, which
    // may lack RegDeleteKeyEx.
    return RegDeleteKeyA(root, subkey);
#endif
}

// Only administrators write HKEY_LOCAL_MACHINE: an elevated run trusts
// nothing else. A run without those rights has its own keys.
HKEY MarksRoot()
{
    return IsProcessElevated() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// "C:\...\kx-undo-0123" of "C:\...\kx-undo-0123\".
CSmallString WithoutBackslash(const CSmallString& folder)
{
    CSmallString path = folder;
    while (path.GetLength() && path.GetAt(path.GetLength() - 1) == '\\')
        path.Delete(path.GetLength() - 1, 1);
    return path;
}

CSmallString LeafName(const CSmallString& folder)
{
    const CSmallString path = WithoutBackslash(folder);
    const char* slash = strrchr(path.GetText(), '\\');
    return CSmallString(slash ? slash + 1 : path.GetText());
}

bool MarkRunFolder(const CSmallString& folder)
{
    const CSmallString path = WithoutBackslash(folder);
    const CSmallString key = CSmallString(kMarks) + "\\" + LeafName(folder);
    // Another run may be removing the empty parents this very moment.
    for (int attempt = 0; attempt < 5; attempt++) {
        CRegKey mark;
        if (mark.Create(MarksRoot(), key, KEY_SET_VALUE | kMarksView) == ERROR_SUCCESS &&
            RegSetValueExA(mark, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.GetText()),
                           (DWORD)path.GetLength() + 1) == ERROR_SUCCESS)
            return true;
        Sleep(10);
    }
    return false;
}

// Deletes the key when it holds nothing at all.
void DeleteIfEmpty(HKEY root, const char* subkey)
{
    CRegKey key;
    DWORD subkeys = 0, values = 0;
    if (key.Open(root, subkey, KEY_READ | kMarksView) != ERROR_SUCCESS ||
        CountRegistryKeyContents(key, &subkeys, &values) != ERROR_SUCCESS || subkeys || values)
        return;
    key.Close();
    // Fails by itself when another run has just added a subkey.
    DeleteMarksKey(root, subkey);
}

} // namespace

void CRunJournal::Begin(const SRunHeader& header)
{
    // Named in the registry before it exists: a run cut short never leaves
    // a folder that no later run would look at.
    const CSmallString base = GetPrivateFolderBase();
    const EFolderAccess access = IsProcessElevated() ? FolderForAdministrators : FolderForThisUser;
    for (int attempt = 0; attempt < 8 && m_strFolder.IsEmpty() && !base.IsEmpty(); attempt++) {
        const CSmallString folder = NewPrivateFolderName(base, kRunFolderPrefix);
        if (folder.IsEmpty() || !MarkRunFolder(folder))
            break;
        if (CreateFolderWithAccess(folder, access)) {
            m_strFolder = folder + "\\";
            break;
        }
        const DWORD error = GetLastError();
        UnmarkRunFolder(folder);
        SetLastError(error);
        if (error != ERROR_ALREADY_EXISTS)
            break;
    }
    if (m_strFolder.IsEmpty())
        throw new CExtraInfoException(CBaseException::IOFailure,
                                      "no private folder could be made and named for the journal of this run: " +
                                          GetLastErrorString());
    m_file.Reset(CreateFileA(m_strFolder + kJournalFile, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file.IsValid()) {
        const CSmallString why = GetLastErrorString();
        RemoveDirectoryA(m_strFolder);
        UnmarkRunFolder(m_strFolder);
        m_strFolder.Empty();
        throw new CExtraInfoException(CBaseException::IOFailure, "the journal of this run can't be made: " + why);
    }
    Write({kFormat, "1", header.strKind, header.strApp, header.strName, header.strFolder}, true);
}

void CRunJournal::Adopt(const CSmallString& folder, HANDLE held)
{
    m_file.Reset(held);
    m_strFolder = folder;
    m_strLast.Empty();
    SetFilePointer(m_file, 0, nullptr, FILE_END);
}

void CRunJournal::Release()
{
    m_file.Close();
    m_strFolder.Empty();
    m_strLast.Empty();
}

void CRunJournal::Write(std::initializer_list<CSmallString> fields, bool flush)
{
    const CSmallString line = JournalText::FormatLine(fields.begin(), (unsigned)fields.size());
    if (line == m_strLast)
        return;
    DWORD written = 0;
    if (!WriteFile(m_file, line.GetText(), (DWORD)line.GetLength(), &written, nullptr) ||
        written != (DWORD)line.GetLength())
        ThrowWriteFailed();
    if (flush)
        Flush();
    m_strLast = line;
}

void CRunJournal::Flush()
{
    if (!FlushFileBuffers(m_file))
        ThrowWriteFailed();
}

void CRunJournal::ThrowWriteFailed() const
{
    throw new CExtraInfoException(CBaseException::IOFailure,
                                  "the journal in " + m_strFolder + " can't be written: " + GetLastErrorString());
}

bool CRunJournal::End()
{
    if (m_strFolder.IsEmpty())
        return true;
    m_file.Close();
    DeleteFileA(m_strFolder + kJournalFile);
    const bool removed = RemoveDirectoryA(m_strFolder) != FALSE;
    UnmarkRunFolder(m_strFolder);
    m_strFolder.Empty();
    m_strLast.Empty();
    return removed;
}

Container::CArray<CSmallString> GetMarkedRunFolders()
{
    Container::CArray<CSmallString> folders;
    CRegKey marks;
    if (marks.Open(MarksRoot(), kMarks, KEY_READ | kMarksView) != ERROR_SUCCESS)
        return folders;
    const Container::CArray<CSmallString> names = ListRegistrySubkeys(marks);
    for (unsigned i = 0; i < names.GetSize(); i++) {
        const CSmallString& name = names[i];
        const CSmallString path = ReadRegistryText(marks, name, nullptr);
        // The mark names its folder twice: by its key and by its value.
        if (!path.IsEmpty() && LeafName(path).IsSameNoCase(name))
            folders.Add(path + "\\");
    }
    return folders;
}

void UnmarkRunFolder(const CSmallString& folder)
{
    const HKEY root = MarksRoot();
    DeleteMarksKey(root, CSmallString(kMarks) + "\\" + LeafName(folder));
    DeleteIfEmpty(root, kMarks);
    DeleteIfEmpty(root, kMarksParent);
}

bool ReadRunHeader(const Container::CArray<JournalText::CFields>& lines, SRunHeader& header)
{
    if (lines.IsEmpty() || lines[0].GetSize() < 6 || lines[0][0] != kFormat || lines[0][1] != "1")
        return false;
    header.strKind = lines[0][2];
    header.strApp = lines[0][3];
    header.strName = lines[0][4];
    header.strFolder = lines[0][5];
    return true;
}

void BeginUninstallRun(SUninstallRun& run, const CSmallString& logText)
{
    run.journal.Begin(run.header);
    // The log this run follows, whatever becomes of the one in the
    // installation: a later run finishes with it.
    const CSmallString saved = run.journal.GetFolder() + kSavedLog;
    CAutoHandle file(CreateFileA(saved, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file.IsValid() || !WriteFile(file, logText.GetText(), (DWORD)logText.GetLength(), &written, nullptr) ||
        written != (DWORD)logText.GetLength() || !FlushFileBuffers(file))
        throw new CExtraInfoException(CBaseException::IOFailure,
                                      "the uninstall log can't be saved in " + saved + ": " + GetLastErrorString());
    CSmallString view;
    view.Format("%lu", run.ulView);
    run.journal.Write({JournalRecord::kLog, run.bTrusted ? "1" : "0", run.strCopy, run.strEntryKey, view}, true);
}

void EndUninstallRun(SUninstallRun& run)
{
    if (!run.journal.IsOpen())
        return;
    DeleteFileA(run.journal.GetFolder() + kSavedLog);
    run.journal.End();
}

void ReadUninstallRun(const Container::CArray<JournalText::CFields>& lines, SUninstallRun& run)
{
    for (unsigned i = 0; i < lines.GetSize(); i++) {
        const JournalText::CFields& f = lines[i];
        if (f[0] == JournalRecord::kLog && f.GetSize() >= 5) {
            run.bTrusted = f[1] == "1";
            run.strCopy = f[2];
            run.strEntryKey = f[3];
            run.ulView = strtoul(f[4], nullptr, 10);
        }
    }
}
