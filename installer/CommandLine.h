// The installer's command line. Switches start with '/' and ignore case;
// any other argument is the uninstall log that the uninstaller's temporary
// copy runs. Portable, so that the rules are tested on both builds.
#pragma once

#include "SmallString.h"

struct SCommandLine
{
    bool bSilent = false; // /S: no window, no question
    bool bForce = false;  // /FORCE: install over a newer version
    bool bHelp = false;   // /? or /HELP
    bool bCloseApplications = false; // /CLOSEAPPLICATIONS: unattended, close what holds the files
    bool bRebootOk = false;          // /REBOOTOK: files in use may be finished at the next restart
    bool bNoRestart = false;         // /NORESTART: never restart Windows, not even when asked
    bool bAllUsers = false;          // /ALLUSERS: with scope choose, for every user
    bool bCurrentUser = false;       // /CURRENTUSER: with scope choose, for the user who installs
    bool bElevated = false; // /ELEVATED: restarted elevated by itself, the wizard's choices made
    bool bDestination = false;
    CSmallString strDestination; // /D=path: the rest of the line
    CSmallString strLog;         // /LOG=file
    CSmallString strLanguage;    // /LANG=code: the language to speak, such as de or pt-BR
    CSmallString strUninstallLog; // the one argument that is not a switch
    // Between uninstall.exe and its temporary copy: the handle of a pipe
    // for the result, the launcher's process handle and its own file.
    unsigned long ulResultPipe = 0;
    unsigned long ulParent = 0;
    CSmallString strKeep;
    // Set when the line can't be used: what is wrong with it.
    CSmallString strError;
};

// Reads a whole command line as GetCommandLine gives it (the program's own
// path first). False, with strError set, for an unknown switch or more than
// one argument that is not a switch.
bool ParseCommandLine(const char* commandLine, SCommandLine& line);

// The switches of a line that parses back as line: each that is set, /D=
// last. For the installer to restart itself with.
CSmallString ComposeArguments(const SCommandLine& line);

// The usage text shown for /? and a bad command line.
extern const char g_szUsage[];
