// Lets a script name its files instead of item numbers: src="path" (a
// file, or a folder for <file>) and text="..." (for the commands whose item
// is a text) become package items, numbered after the --item ones: first
// those of settings and of text= values, then those of <file>s, each group
// in script order. Its <define>s are left out (ScriptDefines.h has replaced
// its variables already). A script that registers an uninstaller without naming
// its log gets one generated from its commands (UninstallLogGen.h).
#pragma once

#include <string>
#include <vector>

#include "PackItem.h"
#include "ScriptReport.h"

// scriptPath locates relative sources. When anything was resolved, script
// becomes the rewritten text and origins holds, for each element of its
// install section, the index of the written element it came from (places
// tell where that stands). inputs receives every file and folder read, so
// that the build can refuse to write over one. A generated log becomes the
// <uninstaller generated="yes"> item generatedLog (-1: none), numbered as a
// src= log would be; its element comes from no written one (its origin is
// the written section's child count). False when an error was reported.
bool ResolveScriptSources(const char* scriptPath, CSmallString& script, CPackItemList& items, CScriptReport& report,
                          std::vector<std::string>& inputs, const CScriptPlaces& places,
                          std::vector<unsigned>& origins, int& generatedLog);

// The script's own folder, with a trailing separator (or empty).
std::string FolderOf(const char* path);
// A path the script names, on the host: either separator, relative to folder.
std::string HostPath(const std::string& folder, const char* relative);
