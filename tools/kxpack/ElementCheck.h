// The checks of one element of a script's section, on its own: its name,
// its attributes and what they hold.
#pragma once

#include <string>

#include "PackItem.h"
#include "ScriptPlaces.h"
#include "ScriptReport.h"

class CXMLNode;

class CElementCheck
{
public:
    // inScript: the install script, where the packer's src= and text= are
    // read and ids are checked against items; else an uninstall script.
    CElementCheck(const CScriptPlaces& places, bool inScript, const CPackItemList& items, CScriptReport& report)
        : m_places(places), m_bInScript(inScript), m_items(items), m_report(report)
    {
    }

    // element is the index-th child of its section, as written. False
    // when it has an attribute no command takes: the checks of what it
    // lacks would then only blame the misspelling twice.
    bool Check(const CXMLNode* element, unsigned index);

    // A <file>'s or a shortcut's name: there, and a plain file name.
    void CheckFileName(const std::string& where, const CXMLNode* element, const SPlace& at);

    // The 32-bit view of 64-bit Windows written into a command's or a
    // setting's texts (FindWowName). The packer's src= names a file of the
    // machine that builds, and is not read.
    void CheckWowNames(const CXMLNode* element, unsigned index);

private:
    void CheckName(const std::string& where, const CXMLNode* element, const SPlace& at);
    // True when an attribute was reported unknown.
    bool CheckAttributes(const std::string& where, const CXMLNode* element, unsigned index);
    void CheckItem(const std::string& where, const CXMLNode* element, unsigned index, bool strayAttribute);
    void CheckId(const std::string& where, const char* id, const SPlace& at);
    void CheckVariables(const std::string& where, const CXMLNode* element, unsigned index);
    void CheckKey(const std::string& where, const CXMLNode* element, unsigned index, const char* attribute);
    void CheckFolder(const std::string& where, const CXMLNode* element, unsigned index, const char* attribute);

    const CScriptPlaces& m_places;
    bool m_bInScript;
    const CPackItemList& m_items;
    CScriptReport& m_report;
};

// Control bytes (a NUL among them) as \xNN, so the report stays one line.
std::string Printable(const CSmallString& text);

// A command whose name becomes a file name: <file> writes it, the shortcut
// commands add ".lnk" to it.
bool NamesAFile(const char* command);
