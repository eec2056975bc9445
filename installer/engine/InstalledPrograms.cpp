#include "InstalledPrograms.h"

#include <windows.h>

#include "Folders.h"
#include "Registry.h"
#include "WinPath.h"
#include "win32/Handles.h"

namespace {

const char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The folder an entry names: its InstallLocation, else its uninstaller's.
CSmallString EntryFolder(HKEY entry)
{
    CSmallString location = ReadRegistryText(entry, nullptr, "InstallLocation");
    location.Remove('"');
    location.TrimBoth();
    if (location.IsEmpty()) {
        CSmallString command = ReadRegistryText(entry, nullptr, "UninstallString");
        command.TrimBoth();
        // The program: up to the closing quote, or the whole text.
        if (command.GetLength() && command.GetAt(0) == '"') {
            const int end = command.Find(CSmallString("\""), 1);
            command = end > 0 ? command.Mid(1, end - 1) : CSmallString();
        }
        location = command;
        WinPath::RemoveFilename(command, location.GetBuffer(location.GetLength()));
        location.ReleaseBuffer(-1);
    }
    return location.IsEmpty() ? location : ResolvePath(location);
}

void AddPrograms(HKEY root, REGSAM view, Container::CArray<SInstalledProgram>& programs)
{
    CRegKey uninstall;
    if (uninstall.Open(root, kUninstall, KEY_READ | view) != ERROR_SUCCESS)
        return;
    const Container::CArray<CSmallString> names = ListRegistrySubkeys(uninstall);
    for (unsigned i = 0; i < names.GetSize(); i++) {
        const CSmallString& name = names[i];
        CRegKey entry;
        if (entry.Open(uninstall, name, KEY_QUERY_VALUE | view) != ERROR_SUCCESS)
            continue;
        SInstalledProgram program;
        program.strLocation = EntryFolder(entry);
        if (program.strLocation.IsEmpty())
            continue;
        program.hRoot = root;
        program.ulView = view;
        program.strKey = name;
        program.strName = ReadRegistryText(entry, nullptr, "DisplayName");
        programs.Add(program);
    }
}

bool IsSameFolder(const CSmallString& a, const CSmallString& b)
{
    return WinPath::IsSameOrInside(a, b) && WinPath::IsSameOrInside(b, a);
}

} // namespace

Container::CArray<SInstalledProgram> GetInstalledPrograms()
{
    Container::CArray<SInstalledProgram> programs;
    AddPrograms(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, programs);
    AddPrograms(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, programs);
    AddPrograms(HKEY_CURRENT_USER, 0, programs); // one view: HKCU\Software is not split
    return programs;
}

Container::CArray<CSmallString> GetOtherProgramsFolders(const CSmallString& ours)
{
    const Container::CArray<SInstalledProgram> programs = GetInstalledPrograms();
    Container::CArray<CSmallString> folders;
    for (unsigned i = 0; i < programs.GetSize(); i++) {
        const CSmallString& folder = programs[i].strLocation;
        if (IsProtectedFolder(folder) || (!ours.IsEmpty() && IsSameFolder(folder, ours)))
            continue;
        folders.Add(folder);
    }
    return folders;
}

bool FindInstalledProgramAt(const CSmallString& folder, SInstalledProgram& program)
{
    const CSmallString resolved = ResolvePath(folder);
    const Container::CArray<SInstalledProgram> programs = GetInstalledPrograms();
    for (unsigned i = 0; i < programs.GetSize(); i++)
        if (!resolved.IsEmpty() && IsSameFolder(programs[i].strLocation, resolved)) {
            program = programs[i];
            return true;
        }
    return false;
}
