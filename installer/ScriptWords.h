// The words of the install script, each written once here and expanded
// wherever a list of them is needed: the engine's command table, the
// packer's checks, the setting names the program reads.
#pragma once

// X(identifier, "element name", its `id` names a package item)
#define KX_SCRIPT_COMMANDS(X)                                                                                          \
    X(File, "file", true)                                                                                              \
    X(Shortcut, "shortcut", false)                                                                                     \
    X(Association, "association", false)                                                                               \
    X(RegKey, "reg-key", false)                                                                                        \
    X(BroadcastMessage, "broadcast-message", true)                                                                     \
    X(RemoveShortcut, "remove-shortcut", false)                                                                        \
    X(RemoveRegKey, "remove-reg-key", false)                                                                           \
    X(RemoveFolder, "remove-folder", false)                                                                            \
    X(RemoveFile, "remove-file", false)                                                                                \
    X(RegisterDll, "register-dll", true)                                                                               \
    X(UnregisterDll, "unregister-dll", true)                                                                           \
    X(RunCommand, "run-command", false)                                                                                \
    X(Path, "path", false)                                                                                             \
    X(RemovePath, "remove-path", false)

// X(identifier, "element name")
#define KX_SCRIPT_SETTINGS(X)                                                                                          \
    X(AppName, "app-name")                                                                                             \
    X(InstallerCaption, "installer-caption")                                                                           \
    X(DefaultPath, "default-path")                                                                                     \
    X(DefaultPathRegistryName, "default-path-registry-name")                                                           \
    X(Terms, "terms")                                                                                                  \
    X(LaunchExe, "launch-exe")                                                                                         \
    X(InstallCancelUrl, "install-cancel-url")                                                                          \
    X(Uninstaller, "uninstaller")                                                                                      \
    X(UninstallDisplayName, "uninstall-display-name")                                                                  \
    X(UninstallHelpLink, "uninstall-helplink")                                                                         \
    X(UninstallPublisher, "uninstall-publisher")                                                                       \
    X(UninstallUrlAbout, "uninstall-url-about")                                                                        \
    X(UninstallUrlUpdate, "uninstall-url-update")                                                                      \
    X(UninstallDisplayIcon, "uninstall-display-icon")                                                                  \
    X(UninstallUrl, "uninstall-url")                                                                                   \
    X(UninstallKey, "uninstall-key")                                                                                   \
    X(Version, "version")                                                                                              \
    X(SupportUrl, "support-url")                                                                                       \
    X(Logo, "logo")                                                                                                    \
    X(FinishAtRestart, "finish-at-restart")                                                                            \
    X(Architecture, "architecture")                                                                                    \
    X(Scope, "scope")                                                                                                  \
    X(Language, "language")                                                                                            \
    X(Languages, "languages")                                                                                          \
    X(Translation, "translation")                                                                                      \
    X(Texts, "texts")                                                                                                  \
    X(Define, "define")

// X(command identifier, attribute identifier, "attribute"): what each
// command reads besides its item (`id`, or the packer's src= and text=).
// The engine reads them as Attr::<command>::<attribute>, the packer's check
// accepts these and no others, so the two lists can't part.
#define KX_COMMAND_ATTRIBUTES(X)                                                                                       \
    X(File, Name, "name")                                                                                              \
    X(File, Dest, "dest")                                                                                              \
    X(Shortcut, Folder, "folder")                                                                                      \
    X(Shortcut, Name, "name")                                                                                          \
    X(Shortcut, Target, "target")                                                                                      \
    X(Shortcut, Arguments, "arguments")                                                                                \
    X(Shortcut, Icon, "icon")                                                                                          \
    X(Shortcut, Description, "description")                                                                            \
    X(Shortcut, WorkingFolder, "working-folder")                                                                       \
    X(Association, Extension, "extension")                                                                             \
    X(Association, ProgId, "progid")                                                                                   \
    X(Association, Desc, "desc")                                                                                       \
    X(Association, Exe, "exe")                                                                                         \
    X(Association, IconFile, "iconfile")                                                                               \
    X(Association, IconNum, "iconnum")                                                                                 \
    X(Association, CommandLine, "commandline")                                                                         \
    X(RegKey, Section, "section")                                                                                      \
    X(RegKey, Name, "name")                                                                                            \
    X(RegKey, Value, "value")                                                                                          \
    X(RegKey, Type, "type")                                                                                            \
    X(RemoveShortcut, Folder, "folder")                                                                                \
    X(RemoveShortcut, Name, "name")                                                                                    \
    X(RemoveRegKey, Section, "section")                                                                                \
    X(RemoveRegKey, Name, "name")                                                                                      \
    X(RemoveRegKey, IfEmpty, "if-empty")                                                                               \
    X(RemoveFolder, Path, "path")                                                                                      \
    X(RemoveFolder, IfEmpty, "if-empty")                                                                               \
    X(RemoveFile, Path, "path")                                                                                        \
    X(RunCommand, Cmd, "cmd")                                                                                          \
    X(RunCommand, Parameters, "parameters")                                                                            \
    X(RunCommand, StopOnFail, "stoponfail")                                                                            \
    X(RunCommand, Timeout, "timeout")                                                                                  \
    X(RunCommand, FailOnExit, "fail-on-exit")                                                                          \
    X(Path, Folder, "folder")                                                                                          \
    X(Path, Scope, "scope")                                                                                            \
    X(Path, Position, "position")                                                                                      \
    X(RemovePath, Folder, "folder")                                                                                    \
    X(RemovePath, Scope, "scope")

// The shortcut folders the code names: the installing user's that a
// machine-wide installation puts in every user's folders instead, and
// those folders' own names.
namespace ShortcutFolder {
constexpr char Desktop[] = "Desktop";
constexpr char Programs[] = "Programs";
constexpr char StartMenu[] = "Start Menu";
constexpr char Startup[] = "Startup";
constexpr char CommonDesktop[] = "Common Desktop";
constexpr char CommonPrograms[] = "Common Programs";
constexpr char CommonStartMenu[] = "Common Start Menu";
constexpr char CommonStartup[] = "Common Startup";
} // namespace ShortcutFolder

// X("value name"): the folders a shortcut may go to, values of
// HKEY_CURRENT_USER\...\Explorer\Shell Folders. Other names are refused.
#define KX_SHORTCUT_FOLDERS(X)                                                                                         \
    X(ShortcutFolder::Desktop)                                                                                         \
    X(ShortcutFolder::Programs)                                                                                        \
    X(ShortcutFolder::StartMenu)                                                                                       \
    X(ShortcutFolder::Startup)                                                                                         \
    X("SendTo")                                                                                                        \
    X("Favorites")                                                                                                     \
    X("Personal")                                                                                                      \
    X("AppData")                                                                                                       \
    X("Local AppData")                                                                                                 \
    X("Templates")                                                                                                     \
    X("Recent")                                                                                                        \
    X("NetHood")                                                                                                       \
    X("PrintHood")                                                                                                     \
    X("My Music")                                                                                                      \
    X("My Pictures")                                                                                                   \
    X("My Video")                                                                                                      \
    X("My Videos")                                                                                                     \
    X("Administrative Tools")                                                                                          \
    X("CD Burning")                                                                                                    \
    X(ShortcutFolder::CommonDesktop)                                                                                   \
    X(ShortcutFolder::CommonPrograms)                                                                                  \
    X(ShortcutFolder::CommonStartMenu)                                                                                 \
    X(ShortcutFolder::CommonStartup)

// The top elements: an install script's settings and commands stand in
// <install>, an uninstall log's in <uninstall>.
namespace Section {
constexpr char Install[] = "install";
constexpr char Uninstall[] = "uninstall";
} // namespace Section

// The command names as constants: Command::RegKey is "reg-key".
namespace Command {
#define KX_COMMAND_NAME(id, name, item) constexpr char id[] = name;
KX_SCRIPT_COMMANDS(KX_COMMAND_NAME)
#undef KX_COMMAND_NAME
} // namespace Command

// The attribute names as constants: Attr::Shortcut::Target is "target".
namespace Attr {
#define KX_ATTRIBUTE_NAME(command, id, name)                                                                           \
    namespace command {                                                                                                \
    constexpr char id[] = name;                                                                                        \
    }
KX_COMMAND_ATTRIBUTES(KX_ATTRIBUTE_NAME)
#undef KX_ATTRIBUTE_NAME
// The package item of a setting or of a command that takes one.
constexpr char Id[] = "id";
// The packer's: a file (settings, <file>) or a text (the other commands
// with an item) that becomes the item before the package is written.
constexpr char Src[] = "src";
constexpr char Text[] = "text";
// <define name="NAME" value="..."/>: a build-time variable, which kxpack
// replaces as ${NAME} and leaves out of the script it packs: the engine
// never reads these.
namespace Define {
constexpr char Name[] = "name";
constexpr char Value[] = "value";
} // namespace Define
// generated="yes": the packer's mark on an <uninstaller> whose log it made
// from the script, which list and check mention.
constexpr char Generated[] = "generated";
// space-required="BYTES" on <install>: the packer's sum of the files the
// script installs, which the Destination page shows and checks.
constexpr char SpaceRequired[] = "space-required";
// lang="de" on <app-name>, <installer-caption>, <terms> and <translation>:
// the language the text is in. The packed <texts lang="de"> holds one
// <text id="142" value="..."/> per translated text, the value escaped as
// in a translation file.
constexpr char Lang[] = "lang";
namespace Texts {
constexpr char Id[] = "id";
constexpr char Value[] = "value";
constexpr char Element[] = "text";
} // namespace Texts
} // namespace Attr

// The packer writes a yes/no attribute's yes as this; the engine takes
// "true" and numbers other than 0 as well.
namespace YesNo {
constexpr char Yes[] = "yes";
} // namespace YesNo

// run-command fail-on-exit="nonzero": any exit code but 0 is a failure.
constexpr char kNonZero[] = "nonzero";

// The variables the engine replaces: %APP% (the destination, ending in a
// backslash) wherever a path or command is read, %PROGRAM_FILES% (the
// Program Files folder, ending in a backslash) in <default-path> alone.
namespace Variable {
constexpr char App[] = "APP";
constexpr char ProgramFiles[] = "PROGRAM_FILES";
// As a script writes them.
constexpr char AppReference[] = "%APP%";
constexpr char ProgramFilesReference[] = "%PROGRAM_FILES%";
} // namespace Variable

// The most of the terms text the wizard shows (UTF-8 bytes); kxpack warns
// about a longer one.
constexpr unsigned kTermsShownBytes = 128 * 1024;

// The values of <architecture>, the processor the application is built
// for (any case, blanks around ignored); without one it is x86.
namespace ArchitectureWord {
constexpr char X86[] = "x86";
constexpr char X64[] = "x64";
constexpr char Arm64[] = "arm64";
} // namespace ArchitectureWord

// The values of <scope>, who the installation is for (any case, blanks
// around ignored; ScriptVocabulary.h says what each means).
namespace ScopeWord {
constexpr char Machine[] = "machine";
constexpr char User[] = "user";
constexpr char Choose[] = "choose";
} // namespace ScopeWord

// The setting names as constants: Setting::AppName is "app-name".
namespace Setting {
#define KX_SETTING_NAME(id, name) constexpr char id[] = name;
KX_SCRIPT_SETTINGS(KX_SETTING_NAME)
#undef KX_SETTING_NAME
} // namespace Setting

// X(identifier, "type word", the registry's type number): what
// <reg-key type="..."> writes. REG_SZ and the others by number, so that the
// packer, which has no windows.h, reads the same list.
#define KX_REG_VALUE_TYPES(X)                                                                                          \
    X(String, "string", 1)                                                                                             \
    X(Expand, "expand", 2)                                                                                             \
    X(Binary, "binary", 3)                                                                                             \
    X(Dword, "dword", 4)                                                                                               \
    X(Multi, "multi", 7)                                                                                               \
    X(Qword, "qword", 11)

// What separates the strings of a multi value in the script's text.
constexpr char kMultiSeparator = '|';

// <path scope="..." position="...">: whose PATH, and where in it.
namespace PathWord {
constexpr char User[] = "user";
constexpr char Machine[] = "machine";
constexpr char Start[] = "start";
constexpr char End[] = "end";
} // namespace PathWord
