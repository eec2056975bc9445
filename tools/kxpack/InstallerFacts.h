// What a built installer tells a package manager about itself, read from
// its packed script as the installer reads it, and from its bytes.
#pragma once

#include <string>

#include "ScriptVocabulary.h"

struct SInstallerFacts
{
    // Settings as the installer takes them (the element's text as parsed,
    // or its item's bytes): what it writes into the Add/Remove entry.
    std::string strAppName;
    std::string strDisplayName; // DisplayName; empty: no entry is written
    std::string strKeyName;     // the entry's key: uninstall-key, else the display name
    std::string strPublisher;
    std::string strVersion;
    std::string strUrlAbout;
    std::string strHelpLink;
    std::string strSupportUrl;
    EScope eScope = ScopeUnset;
    const char* pszArchitecture = "x86"; // "x86", "x64" or "arm64"
    // finish-at-restart of the install script and of the uninstall log:
    // the runs may then end with 3010.
    bool bInstallAtRestart = false;
    bool bUninstallAtRestart = false;
    std::string strSha256; // the whole file's, upper-case hex
};

// Reads the installer whole (a damaged package is refused, as verify
// refuses it) and hashes its file. False, with why, when it can't be read,
// holds no sound package, or names a scope or architecture the installer
// would refuse.
bool ReadInstallerFacts(const char* path, SInstallerFacts& facts, std::string& why);
