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
    X(Logo, "logo")

// The setting names as constants: Setting::AppName is "app-name".
namespace Setting {
#define KX_SETTING_NAME(id, name) constexpr char id[] = name;
KX_SCRIPT_SETTINGS(KX_SETTING_NAME)
#undef KX_SETTING_NAME
} // namespace Setting
