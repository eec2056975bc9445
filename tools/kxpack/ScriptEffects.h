// What an install script leaves on a machine and what its uninstall script
// takes away again: a program started from the application's folder that
// the script never puts there, and shortcuts, file associations, registry
// keys and the folder itself that uninstalling would leave behind.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "RegistryKeyPath.h"
#include "ScriptPlaces.h"
#include "ScriptReport.h"

class CXMLNode;

class CScriptEffects
{
public:
    explicit CScriptEffects(CScriptReport& report) : m_report(report) {}

    // A <file> as packed: its name in its dest, when that is below %APP%.
    void NoteFile(const CXMLNode* file);
    // A file the installer writes there itself ("uninstall.exe").
    void NoteOwnFile(const char* name);

    // Warns when path (as written: "%APP%bin\app.exe") lies below %APP% but
    // names nothing the script installs. what names it in the message.
    void CheckTarget(const SPlace& at, const std::string& what, const char* path);
    // The same for the program a command line starts (its first word, or
    // the part in quotes).
    void CheckCommandLine(const SPlace& at, const std::string& what, const char* commandLine);

    // What an element of the install section creates, to be found again
    // among the uninstall script's removals.
    void NoteCreated(const CXMLNode* element, const SPlace& at);
    // What an element of the uninstall script removes.
    void NoteRemoved(const CXMLNode* element);
    // Warns, at each creating element, about what no removal covers; the
    // application's folder at folderAt. log names the uninstall script.
    void CheckLeftovers(const std::string& log, const SPlace& folderAt);

private:
    struct SCreated
    {
        SPlace at;
        std::string strWhat;  // "<shortcut> \"Hello\" in Desktop"
        std::string strMatch; // what a removal must name, in upper case
        RegistryKeyPath::SKey key;
        std::string strValue; // a reg-key's value name
        std::string strAdd;   // the removal to add
    };

    bool IsRemoved(const SCreated& created) const;

    CScriptReport& m_report;
    std::map<std::string, std::string> m_mapInstalled; // upper case -> as written, folders too
    std::vector<SCreated> m_arrCreated;
    std::vector<std::string> m_arrRemovedShortcuts;
    std::vector<RegistryKeyPath::SKey> m_arrRemovedKeys;
    std::vector<std::pair<RegistryKeyPath::SKey, std::string>> m_arrRemovedValues;
    std::set<std::string> m_setFiles, m_setRemovedFiles; // below %APP%, upper case
    std::vector<std::string> m_arrRemovedFolders;        // below %APP%, whole; "" for the folder itself
    bool m_bRemovesAppIfEmpty = false;
};
