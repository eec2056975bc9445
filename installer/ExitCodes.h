// What the installer and the uninstaller return, the same for the wizard
// and unattended runs. Deployment tools and package managers map each to
// an answer of their own: keep the numbers.
#pragma once

namespace ExitCode {
constexpr int Done = 0;
constexpr int PackageDamaged = 1;   // the installer's own file can't be used
constexpr int Cancelled = 2;        // the user chose to stop; nothing changed
constexpr int Failed = 3;           // undone (an installation) or incomplete (an uninstall)
constexpr int BadCommandLine = 4;   // a switch that can't be read
constexpr int FileInUse = 5;        // a file in use was not closed; nothing changed
constexpr int NewerInstalled = 6;   // a newer version is installed (without /FORCE)
constexpr int InProgress = 7;       // another installation of the application is running
constexpr int RestartNeeded = 3010; // done, but it finishes at the next restart
} // namespace ExitCode
