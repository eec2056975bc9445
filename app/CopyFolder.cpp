#include "CopyFolder.h"

#include <windows.h>

#include <cstring>

#include "Containers.h"
#include "Exceptions.h"
#include "FileText.h"
#include "SetupLog.h"
#include "Security.h"

const char g_szCopyName[] = "kx-uninstaller-temp.exe";

namespace {

const char g_szFolderPrefix[] = "kx-";
const int kHexDigits = 16;

// How long the command processor keeps trying: about a second a try.
const int kRemoveTries = 10;

unsigned long long FileTimeValue(const FILETIME& time)
{
    return ((unsigned long long)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

// The file, opened by held, is a plain file of one name holding bytes.
bool HoldsExactly(HANDLE held, const Container::CArray<unsigned char>& bytes)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(held, &info) || info.nNumberOfLinks != 1 ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) || info.nFileSizeHigh ||
        info.nFileSizeLow != bytes.GetSize())
        return false;
    unsigned char buffer[16384];
    for (unsigned at = 0; at < bytes.GetSize();) {
        DWORD got = 0;
        if (!ReadFile(held, buffer, sizeof(buffer), &got, nullptr) || !got || got > bytes.GetSize() - at ||
            memcmp(buffer, bytes.GetData() + at, got) != 0)
            return false;
        at += got;
    }
    return true;
}

} // namespace

CSmallString MakeUninstallerCopy(const char* self, CAutoHandle& held, CSmallString& why)
{
    Container::CArray<unsigned char> image;
    if (!ReadFileIntoArray(self, image) || image.IsEmpty()) {
        why = CSmallString("its own file can't be read: ") + self;
        return CSmallString();
    }
    const CSmallString folder = CreateRunFolder(g_szFolderPrefix);
    if (folder.IsEmpty()) {
        why = "no private folder could be made for it: " + GetLastErrorString();
        return CSmallString();
    }
    const CSmallString copy = folder + g_szCopyName;
    {
        CAutoHandle file(CreateFileA(copy, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file.IsValid() || !WriteFile(file, image.GetData(), image.GetSize(), &written, nullptr) ||
            written != image.GetSize() || !file.CloseChecked()) {
            why = CSmallString("it can't be written to ") + copy + ": " + GetLastErrorString();
            DeleteFileA(copy);
            RemoveDirectoryA(folder);
            return CSmallString();
        }
    }
    // No handle can both write the file and let the loader run it, so it
    // is read back through the one that keeps everyone else to reading
    // from now on: what it holds is what runs.
    held.Reset(CreateFileA(copy, GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!held.IsValid() || !HoldsExactly(held, image)) {
        why = CSmallString("it was changed while it was written: ") + copy;
        if (!held.IsValid())
            DeleteFileA(copy);
        held.Close();
        RemoveDirectoryA(folder);
        return CSmallString();
    }
    return copy;
}

bool IsCopyFolderName(const char* name)
{
    const size_t prefix = sizeof(g_szFolderPrefix) - 1;
    if (!name || strlen(name) != prefix + kHexDigits || strncmp(name, g_szFolderPrefix, prefix) != 0)
        return false;
    for (const char* p = name + prefix; *p; p++)
        if (!((*p >= '0' && *p <= '9') || (*p >= 'a' && *p <= 'f')))
            return false;
    return true;
}

void RemoveStaleCopyFolders(const char* base)
{
    if (!base || !*base)
        return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long minute = 60ull * 10000000ull;
    WIN32_FIND_DATAA found;
    CFindHandle find;
    if (!find.First(CSmallString(base) + g_szFolderPrefix + "*", found))
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsCopyFolderName(found.cFileName) &&
            FileTimeValue(found.ftCreationTime) + minute < FileTimeValue(now) &&
            RemoveDirectoryA(CSmallString(base) + found.cFileName)) // only when empty
            LogLine("Removed a stale folder of an earlier uninstaller: %s%s", base, found.cFileName);
    } while (find.Next(found));
}

void RemoveCopyFolderLater()
{
    char self[MAX_PATH + 1] = {0};
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (!n || n >= MAX_PATH)
        return;
    // "<base><folder>\<copy>": only the folder's name reaches the command
    // line, and only when it is one of ours, so no text from elsewhere does.
    char* slash = strrchr(self, '\\');
    if (!slash)
        return;
    *slash = 0;
    char* parentEnd = strrchr(self, '\\');
    if (!parentEnd || !IsCopyFolderName(parentEnd + 1))
        return;
    const CSmallString name(parentEnd + 1);
    parentEnd[1] = 0;
    if (lstrcmpiA(self, GetPrivateFolderBase()) != 0)
        return;

    char system[MAX_PATH + 1] = {0};
    const UINT length = GetSystemDirectoryA(system, MAX_PATH);
    if (!length || length >= MAX_PATH)
        return;
    // /d: no AutoRun command of the user's. Programs by their full path:
    // the working folder is one the user may write into. The folder goes
    // once this program has ended and its file is gone; a ping waits a
    // second between tries.
    CSmallString wait;
    wait.Format("\"%s\\PING.EXE\" -n 2 127.0.0.1 >nul", system);
    CSmallString command;
    command.Format("\"%s\\cmd.exe\" /d /q /c rd %s 2>nul", system, name.GetText());
    for (int i = 1; i < kRemoveTries; i++)
        command.Addf(" & if exist %s %s & rd %s 2>nul", name.GetText(), wait.GetText(), name.GetText());

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process;
    const CSmallString program = CSmallString(system) + "\\cmd.exe";
    if (!CreateProcessA(program, command.GetBuffer(command.GetLength()), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, self, &startup, &process)) {
        command.ReleaseBuffer();
        LogLine("The folder %s%s stays: %s", self, name.GetText(), GetLastErrorString().GetText());
        return;
    }
    command.ReleaseBuffer();
    const CAutoHandle thread(process.hThread), child(process.hProcess);
    LogLine("The folder %s%s goes once this program has ended", self, name.GetText());
}
