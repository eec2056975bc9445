// The uninstall log kxpack writes when an install script names no
// <uninstaller>: it takes back what the script's commands create, each
// step before the ones that need it done. Shortcuts, file types, registry
// values and keys and the Uninstall entry first, then every file, then the
// folders that held them, deepest first and only once nothing is left in
// them. Keys above the ones the script writes to go the same way, only
// when empty; shared and system keys are never named.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "SmallString.h"

class CXMLNode;

// A setting given as a package item (id="N") read as text; false when it
// can't be read.
typedef std::function<bool(unsigned id, CSmallString& text)> CItemTextFn;

// Whether kxpack generates the log: the section names no <uninstaller>
// but registers one (it has an <uninstall-display-name>).
bool WantsGeneratedLog(const CXMLNode* install);

// The log's text for the install section (files as <file> elements with
// name and dest, as the packer's sources expand them). notes receive what
// the log can't take back, and why.
std::string GenerateUninstallLog(const CXMLNode* install, const CItemTextFn& itemText, std::vector<std::string>& notes);
