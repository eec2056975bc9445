#include "Destination.h"

#include "InstallScope.h"

#include <windows.h>

#include <cstring>

#include "Registry.h"
#include "SystemPaths.h"
#include "Folders.h"
#include "InstalledPrograms.h"
#include "ReleasePtr.h"
#include "SinReader.h"
#include "Versions.h"
#include "WinPath.h"
#include "XMLDocument.h"
#include "resource.h"
#include "win32/Handles.h"
#include "win32/ResString.h"
#include "ScriptWords.h"

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The last name of "default-path" (the application's own folder name), or
// the application's name.
CSmallString AppFolderName(CSinReader& reader)
{
    CSmallString path, name;
    reader.GetInstallItem(Setting::DefaultPath, path);
    while (path.GetLength() && (path.GetAt(path.GetLength() - 1) == '\\' || path.GetAt(path.GetLength() - 1) == '/'))
        path.Delete(path.GetLength() - 1, 1);
    const char* slash = strrchr(path.GetText(), '\\');
    name = slash ? CSmallString(slash + 1) : path;
    if (name.IsEmpty() || name.Find(CSmallString("%")) >= 0)
        reader.GetInstallItem(Setting::AppName, name);
    return name.IsEmpty() ? CSmallString("App") : name;
}

// The longest path the script writes below %APP%, so that every file fits
// when the destination is added in front.
int LongestPathBelowApp(CSinReader& reader)
{
    const CXMLDocument* doc = reader.GetDocument();
    const CXMLNode* install = doc ? doc->FindNode(Section::Install) : nullptr;
    int longest = 0;
    for (unsigned i = 0; install && i < install->GetChildCount(); i++) {
        const CXMLNode* command = install->GetChild(i);
        if (Mb::ICmp(command->GetName(), Command::File) != 0)
            continue;
        const char* dest = command->GetAttributeValue(Attr::File::Dest);
        const char* name = command->GetAttributeValue(Attr::File::Name);
        const size_t app = sizeof(Variable::AppReference) - 1;
        if (!dest || Mb::NbICmp(dest, Variable::AppReference, app) != 0)
            continue;
        const char* rest = dest + app;
        while (*rest == '\\')
            rest++;
        const int length = (int)strlen(rest) + 1 + (name ? (int)strlen(name) : 0);
        if (length > longest)
            longest = length;
    }
    // uninstall.exe, uninstall.dat and their temporary names at least.
    return longest > 20 ? longest : 20;
}

} // namespace

CSmallString OtherProgramInstalledIn(CSinReader& reader, const CSmallString& folder)
{
    if (IsEarlierInstall(reader, folder))
        return CSmallString();
    // The uninstall log there says whose installation it is: ours under an
    // earlier entry's name is ours to upgrade.
    CSmallString log = folder, theirs, ours;
    WinPath::EndWithBackslash(log);
    log += "uninstall.dat";
    reader.GetInstallItem(Setting::AppName, ours);
    const bool hasLog = DoesFileExist(log);
    if (hasLog) {
        const CReleasePtr<CXMLDocument> document(CXMLDocument::Load(log));
        const CXMLNode* section = document ? document->FindNode(Section::Uninstall) : nullptr;
        if (const CXMLNode* name = section ? section->FindNode(Setting::AppName) : nullptr)
            theirs = name->GetText();
        if (!theirs.IsEmpty() && theirs == ours)
            return CSmallString();
    }
    const CSmallString ourKey = GetUninstallKeyName(reader);
    SInstalledProgram program;
    if (FindInstalledProgramAt(folder, program) && lstrcmpiA(program.strKey, ourKey) != 0)
        return program.strName.IsEmpty() ? program.strKey : program.strName;
    if (!hasLog)
        return CSmallString();
    return theirs.IsEmpty() ? CSmallString("another program") : theirs;
}

CSmallString GetUninstallKeyName(CSinReader& reader)
{
    CSmallString name;
    if (!reader.GetInstallItem(Setting::UninstallKey, name) || name.IsEmpty())
        reader.GetInstallItem(Setting::UninstallDisplayName, name);
    return name;
}

CSmallString GetUninstallValue(CSinReader& reader, const char* name)
{
    const CSmallString key = GetUninstallKeyName(reader);
    return key.IsEmpty() ? CSmallString() : ReadRegistryText(GetEntryRoot(), CSmallString(kUninstallKey) + key, name);
}

CSmallString GetDefaultPathFromReg(const char* name)
{
    const CSmallString value =
        ReadRegistryText(GetEntryRoot(), CSmallString("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + name, nullptr);
    CSmallString folder;
    WinPath::RemoveFilename(value, folder.GetBuffer(value.GetLength()));
    folder.ReleaseBuffer(-1);
    return folder;
}

CSmallString ProposeDestination(CSinReader& reader)
{
    // An upgrade goes where the installed version is.
    CSmallString earlier = GetUninstallValue(reader, "InstallLocation");
    if (earlier.IsEmpty()) {
        CSmallString uninstaller = GetUninstallValue(reader, "UninstallString");
        uninstaller.Remove('"');
        char folder[1024];
        WinPath::RemoveFilename(uninstaller.Mid(0, 1000), folder);
        earlier = folder;
    }
    if (!earlier.IsEmpty() && !WinPath::Normalise(earlier).IsEmpty())
        return earlier;

    CSmallString name;
    reader.GetInstallItem(Setting::DefaultPathRegistryName, name);
    if (!name.IsEmpty()) {
        const CSmallString registered = GetDefaultPathFromReg(name);
        if (!registered.IsEmpty())
            return registered;
    }
    CSmallString path;
    reader.GetInstallItem(Setting::DefaultPath, path);
    // Only touch the registry when the script asks for the folder.
    if (strstr(path, Variable::ProgramFilesReference))
        path.Replace(Variable::ProgramFilesReference, GetScopeProgramFiles());
    return path;
}

CSmallString CheckDestination(CSinReader& reader, const CSmallString& destination, CSmallString& normalised)
{
    CSmallString message;
    normalised.Empty();
    if (destination.IsEmpty())
        return CSmallString(CResString(IDS_EMPTY_DESTINATION));

    // After the root, characters the system refuses in names, and those a
    // command line or %...% expansion would take apart ("C:\A & set").
    // Judged, and kept, in its one long spelling: "C:\PROGRA~1" is
    // Program Files, whatever it looks like.
    normalised = GetLongSpelling(destination);
    const int root = normalised.IsEmpty() ? 0 : WinPath::RootLength(normalised);
    CSmallString bad;
    for (int i = root; i < normalised.GetLength(); i++) {
        const char c = normalised.GetAt(i);
        if ((c && strchr("<>\"|?*:&^%", c)) || (unsigned char)c < 0x20)
            if (bad.Find(CSmallString(&c, 1)) < 0)
                bad += CSmallString(bad.IsEmpty() ? "" : " ") + CSmallString(&c, 1);
    }
    if (!bad.IsEmpty()) {
        normalised.Empty();
        message.Format(CResString(IDS_DEST_CHARACTERS), bad.GetText());
        return message;
    }
    if (normalised.IsEmpty()) {
        message.Format(CResString(IDS_DEST_NOT_FULL_PATH), AppFolderName(reader).GetText());
        return message;
    }
    const int room = MAX_PATH - 1 - 1 - LongestPathBelowApp(reader);
    if (normalised.GetLength() > room) {
        CSmallString appName;
        reader.GetInstallItem(Setting::AppName, appName);
        message.Format(CResString(IDS_DEST_TOO_LONG), room > 3 ? room : 3, appName.GetText());
        normalised.Empty();
        return message;
    }
    if (IsProtectedFolder(normalised) || IsInsideWindowsFolder(normalised)) {
        CSmallString suggestion = IsInsideWindowsFolder(normalised) ? GetScopeProgramFiles() : normalised;
        WinPath::EndWithBackslash(suggestion);
        suggestion += AppFolderName(reader);
        message.Format(CResString(IDS_DEST_PROTECTED), normalised.GetText(), suggestion.GetText());
        normalised.Empty();
        return message;
    }
    // One folder, one installation: another program's would lose its
    // uninstaller (a plug-in goes in a folder of its own, or in its host's
    // package).
    const CSmallString other = OtherProgramInstalledIn(reader, normalised);
    if (!other.IsEmpty()) {
        CSmallString appName, suggestion = normalised;
        reader.GetInstallItem(Setting::AppName, appName);
        WinPath::EndWithBackslash(suggestion);
        suggestion += AppFolderName(reader);
        message.Format(CResString(IDS_DEST_OTHER_PROGRAM), normalised.GetText(), other.GetText(), appName.GetText(),
                       suggestion.GetText());
        normalised.Empty();
        return message;
    }
    // A link could lead anywhere, and an uninstall never follows one.
    if (IsReachedThroughLink(normalised)) {
        CSmallString suggestion = GetScopeProgramFiles() + AppFolderName(reader);
        message.Format(CResString(IDS_DEST_LINK), normalised.GetText(), suggestion.GetText());
        normalised.Empty();
        return message;
    }
    return CSmallString();
}

bool IsEarlierInstall(CSinReader& reader, const CSmallString& folder)
{
    if (folder.IsEmpty())
        return false;
    CSmallString app = folder;
    WinPath::EndWithBackslash(app);
    if (!DoesFileExist(app + "uninstall.dat"))
        return false;
    CSmallString uninstaller = GetUninstallValue(reader, "UninstallString");
    uninstaller.Remove('"');
    uninstaller.TrimBoth();
    const CSmallString registered = WinPath::Normalise(uninstaller), ours = app + "uninstall.exe";
    return WinPath::IsSameOrInside(registered, ours) && WinPath::IsSameOrInside(ours, registered);
}

CSmallString GetNewerInstalledVersion(CSinReader& reader)
{
    CSmallString ours;
    reader.GetInstallItem(Setting::Version, ours);
    const CSmallString installed = GetUninstallValue(reader, "DisplayVersion");
    if (ours.IsEmpty() || installed.IsEmpty() || CompareVersions(installed, ours) <= 0)
        return CSmallString();
    return installed;
}
