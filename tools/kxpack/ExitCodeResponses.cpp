#include "ExitCodeResponses.h"

#include "ExitCodes.h"

const SExitCodeResponse g_arrExitCodeResponses[] = {
    // winget checked the download's hash: a package that can't be read is
    // the publisher's to mend.
    {ExitCode::PackageDamaged, "contactSupport", "the installer's package can't be read", false, false},
    {ExitCode::Cancelled, "cancelledByUser", "cancelled by the user; everything done was undone", false, false},
    // Many causes (a refused folder, a file that can't be written, a 64-bit
    // application on 32-bit Windows), each named in the setup log: no
    // narrower answer fits them all.
    {ExitCode::Failed, "contactSupport", "the installation failed and was undone; the setup log says why", false,
     false},
    {ExitCode::BadCommandLine, "invalidParameter", "a switch the installer can't read", false, false},
    // Programs that hold the application's files and were not closed: the
    // user closes them and tries again, as fileInUse says.
    {ExitCode::FileInUse, "fileInUse", "programs hold files in the application's folder; nothing changed", false,
     false},
    {ExitCode::NewerInstalled, "downgrade", "a newer version is installed; nothing changed", false, false},
    {ExitCode::InProgress, "installInProgress", "another installation of the application is running", false, false},
    {ExitCode::RestartNeeded, "rebootRequiredToFinish", "done; Windows replaces files in use at the next restart", true,
     true},
};
const unsigned g_uExitCodeResponseCount = sizeof(g_arrExitCodeResponses) / sizeof(g_arrExitCodeResponses[0]);
