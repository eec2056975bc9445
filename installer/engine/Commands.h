// The command loop's table: one small function per script command.
#pragma once

#include "SinReader.h"

class CXMLNode;

struct CCommandRunner
{
    CCommandRunner(CSinReader& reader) : m_reader(reader) {}

    // A text attribute; absent reads as "".
    static CSmallString Text(const CXMLNode* element, const char* name);
    // The text attribute passed through TranslatePath.
    CSmallString Translated(const CXMLNode* element, const char* name);
    // The item named by the element's id, when it has one inside the table.
    const Container::CArray<unsigned char>* Item(const CXMLNode* element, unsigned& id);
    bool ItemText(const CXMLNode* element, CSmallString& text);
    bool WriteFileToDest(unsigned item, const CSmallString& name, const CSmallString& dest)
    {
        return m_reader.WriteFileToDest(item, name, dest);
    }
    void AddRegKey(const char* key, const char* name, const char* value) { m_reader.AddRegKey(key, name, value); }

    CSinReader& m_reader;
    bool m_bAssociationChanged = false;
};

// Each returns false only when the whole run must stop.
typedef bool (*CommandFn)(CCommandRunner& runner, const CXMLNode* element);

CommandFn FindCommand(const char* name);

bool RunCommand(CCommandRunner& runner, const CXMLNode* element);
