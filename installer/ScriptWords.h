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
    X(RunCommand, "run-command", false)

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
    X(RunCommand, Timeout, "timeout")

// X("value name"): the folders a shortcut may go to, values of
// HKEY_CURRENT_USER\...\Explorer\Shell Folders. Other names are refused.
#define KX_SHORTCUT_FOLDERS(X)                                                                                         \
    X("Desktop")                                                                                                       \
    X("Programs")                                                                                                      \
    X("Start Menu")                                                                                                    \
    X("Startup")                                                                                                       \
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
    X("Common Desktop")                                                                                                \
    X("Common Programs")                                                                                               \
    X("Common Start Menu")                                                                                             \
    X("Common Startup")

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
} // namespace Attr

// The packer writes a yes/no attribute's yes as this; the engine takes
// "true" and numbers other than 0 as well.
namespace YesNo {
constexpr char Yes[] = "yes";
} // namespace YesNo

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

// The setting names as constants: Setting::AppName is "app-name".
namespace Setting {
#define KX_SETTING_NAME(id, name) constexpr char id[] = name;
KX_SCRIPT_SETTINGS(KX_SETTING_NAME)
#undef KX_SETTING_NAME
} // namespace Setting
