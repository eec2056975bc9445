// What each exit code of the installer (installer/ExitCodes.h, the usage's
// list) tells a package manager: winget's answer to it and why that one.
#pragma once

struct SExitCodeResponse
{
    int nCode;
    const char* pszResponse; // winget's ReturnResponse
    const char* pszWhy;      // written beside it in the manifest
    bool bSuccess;           // the installation is done
    bool bAtRestartOnly;     // only a run that may finish at the restart ends so
};

// Every code but 0, which winget takes as success without being told.
extern const SExitCodeResponse g_arrExitCodeResponses[];
extern const unsigned g_uExitCodeResponseCount;
