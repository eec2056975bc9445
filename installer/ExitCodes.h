// The program's exit codes, the same for the wizard and unattended runs,
// installing and uninstalling (README, "Running an installer").
#pragma once

namespace ExitCode {
enum : int
{
    Done = 0,
    PackageDamaged = 1, // the installer can't be read or holds no valid package
    Cancelled = 2,      // everything done so far was undone
    Failed = 3,         // undone (an installation), told (an uninstallation)
    BadCommandLine = 4,
    FilesInUse = 5, // programs hold the application's files and were not closed; nothing changed
};
} // namespace ExitCode
