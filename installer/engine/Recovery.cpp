#include "Recovery.h"

#include <windows.h>

#include <cstring>

#include "Caught.h"
#include "Folders.h"
#include "Journal.h"
#include "JournalRecords.h"
#include "JournalText.h"
#include "LogCopy.h"
#include "Security.h"
#include "SetupLog.h"
#include "SinReader.h"
#include "WinPath.h"
#include "win32/Handles.h"

namespace {

// A journal may still be in the making (or its folder being removed) for a
// minute after its folder was made.
const unsigned long long kMinute = 60ull * 10000000ull;

bool SameFolder(const CSmallString& a, const CSmallString& b)
{
    const CSmallString first = WinPath::Normalise(a), second = WinPath::Normalise(b);
    return !first.IsEmpty() && !second.IsEmpty() && WinPath::IsSameOrInside(first, second) &&
           WinPath::IsSameOrInside(second, first);
}

bool Matches(const SRecoveryScope& scope, const SRunHeader& header)
{
    return (!scope.strApp.IsEmpty() && header.strApp.IsSameNoCase(scope.strApp)) ||
           (!scope.strName.IsEmpty() && header.strName.IsSameNoCase(scope.strName)) ||
           (!scope.strFolder.IsEmpty() && SameFolder(header.strFolder, scope.strFolder));
}

// folder is "<base>kx-undo-<16 hex digits>\", as CRunJournal makes them.
bool IsRunFolderIn(const CSmallString& folder, const CSmallString& base)
{
    const int prefix = (int)strlen(kRunFolderPrefix), length = base.GetLength() + prefix + 16 + 1;
    if (folder.GetLength() != length || !folder.Mid(0, base.GetLength()).IsSameNoCase(base) ||
        !folder.Mid(base.GetLength(), prefix).IsSameNoCase(kRunFolderPrefix) || folder.GetAt(length - 1) != '\\')
        return false;
    for (int i = base.GetLength() + prefix; i < length - 1; i++)
        if (!strchr("0123456789abcdefABCDEF", folder.GetAt(i)))
            return false;
    return true;
}

bool IsOlderThanAMinute(const CSmallString& folder)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(folder, GetFileExInfoStandard, &data))
        return true;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long made =
        ((unsigned long long)data.ftCreationTime.dwHighDateTime << 32) | data.ftCreationTime.dwLowDateTime;
    return made + kMinute < (((unsigned long long)now.dwHighDateTime << 32) | now.dwLowDateTime);
}

bool ReadAll(HANDLE file, CSmallString& text)
{
    const DWORD size = GetFileSize(file, nullptr);
    if (size == INVALID_FILE_SIZE || size > 0x10000000)
        return false;
    char* buffer = text.GetBufferSetLength((int)size);
    DWORD got = 0;
    return ReadFile(file, buffer, size, &got, nullptr) && got == size;
}

void UndoInstallation(const CSmallString& folder, HANDLE held, const SRunHeader& header,
                      const Container::CArray<JournalText::CFields>& lines)
{
    Container::CArray<SUndoStep> steps;
    SUndoStep seen;
    bool committed = false;
    ReadUndoSteps(lines, folder, steps, seen, committed);
    CRunJournal run;
    run.Adopt(folder, held);
    if (committed) {
        // Everything was in place: the files it replaced were still to go,
        // or to where they are kept for the uninstall to put back.
        Container::CMap<CSmallString, CSmallString> kept;
        for (unsigned i = 0; i < lines.GetSize(); i++)
            if (lines[i][0] == JournalRecord::kKeep && lines[i].GetSize() >= 3 && !lines[i][1].IsEmpty())
                kept.SetAt(folder + lines[i][1], lines[i][2]);
        for (unsigned i = 0; i < steps.GetSize(); i++) {
            const CSmallString& backup = steps[i].strBackup;
            if (backup.IsEmpty() || GetFileAttributesA(backup) == INVALID_FILE_ATTRIBUTES)
                continue;
            const CSmallString* keep = kept.FindValue(backup);
            if (keep && MoveFileExA(backup, *keep, MOVEFILE_COPY_ALLOWED)) {
                LogLine("Replaced the existing file %s: kept, put back at uninstall (%s)", steps[i].strPath.GetText(),
                        keep->GetText());
                continue;
            }
            SetFileAttributesA(backup, FILE_ATTRIBUTE_NORMAL);
            DeleteFileName(backup);
        }
        for (unsigned i = 0; i < lines.GetSize(); i++)
            if (lines[i][0] == JournalRecord::kDrop && lines[i].GetSize() >= 2)
                RemoveLogCopy(lines[i][1]);
        LogLine("An interrupted installation of %s into %s had been completed: it is kept", header.strName.GetText(),
                header.strFolder.GetText());
    } else {
        LogLine("An interrupted installation of %s into %s was found (journal %s): undoing %u change(s)",
                header.strName.GetText(), header.strFolder.GetText(), folder.GetText(), steps.GetSize());
        UndoSteps(steps, seen, true);
        LogLine("An interrupted installation of %s into %s was undone", header.strName.GetText(),
                header.strFolder.GetText());
    }
    if (!run.End())
        LogLine("Files that could not be put back are kept in %s", folder.GetText());
}

void FinishUninstall(const CSmallString& folder, HANDLE held, const SRunHeader& header,
                     const Container::CArray<JournalText::CFields>& lines)
{
    LogLine("An interrupted uninstall of %s in %s was found (journal %s): finishing it", header.strName.GetText(),
            header.strFolder.GetText(), folder.GetText());
    SUninstallRun run;
    run.journal.Adopt(folder, held);
    run.header = header;
    ReadUninstallRun(lines, run);
    CSinReader finisher;
    CSmallString why;
    if (!RunCaught([&] { finisher.FinishUninstall(run, false, false); }, why))
        LogLine("Unexpected error: %s", why.GetText());
    LogLine("The interrupted uninstall of %s in %s was finished%s", header.strName.GetText(),
            header.strFolder.GetText(),
            finisher.GetRunResult() == CSinReader::RunDone ? "" : ", not everything could be removed (see above)");
    EndUninstallRun(run);
}

} // namespace

void RecoverInterruptedRuns(const SRecoveryScope& scope, SUninstallRun* resume)
{
    const CSmallString base = GetPrivateFolderBase();
    if (base.IsEmpty())
        return;
    const Container::CArray<CSmallString> folders = GetMarkedRunFolders();
    for (unsigned i = 0; i < folders.GetSize(); i++) {
        const CSmallString& folder = folders[i];
        // Runs of other rights keep theirs elsewhere.
        if (!IsRunFolderIn(folder, base))
            continue;
        const DWORD attributes = GetFileAttributesA(folder);
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            if (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)
                UnmarkRunFolder(folder);
            continue;
        }
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            continue;
        // Alone or not at all: a run that holds its journal is alive (or
        // another run is recovering it).
        CAutoHandle held(CreateFileA(folder + kJournalFile, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!held.IsValid()) {
            // A run cut short between making its folder and its journal, or
            // between removing them.
            if (GetLastError() == ERROR_FILE_NOT_FOUND && IsOlderThanAMinute(folder) && RemoveDirectoryA(folder))
                UnmarkRunFolder(folder);
            continue;
        }
        CSmallString text;
        Container::CArray<JournalText::CFields> lines;
        SRunHeader header;
        if (!ReadAll(held, text))
            continue;
        JournalText::ParseLines(text.GetText(), (unsigned)text.GetLength(), lines);
        if (!ReadRunHeader(lines, header) || !Matches(scope, header))
            continue;
        if (header.strKind == kRunInstall) {
            UndoInstallation(folder, held.Detach(), header, lines);
        } else if (header.strKind == kRunUninstall) {
            if (resume && !resume->journal.IsOpen() && SameFolder(header.strFolder, scope.strFolder)) {
                LogLine("An interrupted uninstall of %s in %s was found (journal %s): this run finishes it",
                        header.strName.GetText(), header.strFolder.GetText(), folder.GetText());
                resume->journal.Adopt(folder, held.Detach());
                resume->header = header;
                ReadUninstallRun(lines, *resume);
            } else {
                FinishUninstall(folder, held.Detach(), header, lines);
            }
        }
    }
}

Container::CArray<CSmallString> GetCreatedByOtherRuns(const SRecoveryScope& scope, const CSmallString& ownFolder)
{
    Container::CArray<CSmallString> created;
    const CSmallString base = GetPrivateFolderBase();
    const Container::CArray<CSmallString> folders = GetMarkedRunFolders();
    for (unsigned i = 0; i < folders.GetSize() && !base.IsEmpty(); i++) {
        const CSmallString& folder = folders[i];
        if (!IsRunFolderIn(folder, base) || folder.IsSameNoCase(ownFolder))
            continue;
        // Read while its run goes on writing it.
        CAutoHandle file(CreateFileA(folder + kJournalFile, GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        CSmallString text;
        Container::CArray<JournalText::CFields> lines;
        SRunHeader header;
        if (!file.IsValid() || !ReadAll(file, text))
            continue;
        JournalText::ParseLines(text.GetText(), (unsigned)text.GetLength(), lines);
        if (!ReadRunHeader(lines, header) || header.strKind != kRunInstall || !Matches(scope, header))
            continue;
        for (unsigned l = 1; l < lines.GetSize(); l++)
            if ((lines[l][0] == JournalRecord::kFolder || lines[l][0] == JournalRecord::kKey) &&
                lines[l].GetSize() >= 2)
                created.Add(lines[l][1]);
    }
    return created;
}
