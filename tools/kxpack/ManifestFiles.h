// The files kxpack manifest writes: composed whole in memory, checked all
// together, then written so that a run that fails leaves none half-written.
#pragma once

#include <string>
#include <vector>

struct SManifestFile
{
    std::string strDir;  // the folder the option named
    std::string strName; // inside it, "/" between folders: "tools/chocolateyInstall.ps1"
    std::string strText;

    std::string GetPath() const;
};

// Why the files can't be written, or empty: one is there already (--force
// replaces files, never the installer being described) or a folder has its
// name. Checked for all of them before anything is written.
std::string WhyNotWriteManifests(const std::vector<SManifestFile>& files, const char* installer, bool force);

// Makes the folders, writes each file under its temporary name, then
// renames them into place: each file appears whole or not at all. False,
// with why, when a folder or file can't be written.
bool WriteManifests(const std::vector<SManifestFile>& files, std::string& why);
