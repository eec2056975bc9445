// The command loop's table: one small function per script command.
#pragma once

#include "InstallSession.h"
#include "SinReader.h"

class CXMLNode;
class CSafeRemover;
class CSinProgressABC;

struct CCommandRunner
{
    CCommandRunner(CSinReader& reader, CSinProgressABC* progress, CInstallSession* session, CSafeRemover& remover)
        : m_reader(reader), m_pProgress(progress), m_pSession(session), m_remover(remover)
    {
    }

    // A text attribute; absent reads as "".
    static CSmallString Text(const CXMLNode* element, const char* name);
    // The text attribute passed through TranslatePath.
    CSmallString Translated(const CXMLNode* element, const char* name);
    // Whether the element's id names an item of the package.
    bool Item(const CXMLNode* element, unsigned& id);
    // That item as text.
    bool ItemText(const CXMLNode* element, CSmallString& text);
    void AddRegKey(const char* key, const char* name, const char* value) { m_reader.AddRegKey(key, name, value); }
    bool AddRegValue(const char* key, const char* name, const char* type, const CSmallString& text, CSmallString& why)
    {
        return m_reader.AddRegValue(key, name, type, text, why);
    }
    bool WriteRegValue(const char* key, const char* name, unsigned type, const void* data, unsigned size)
    {
        return m_reader.WriteRegValue(key, name, type, data, size);
    }
    // Between pieces of long work; false once the user asked to stop.
    bool KeepGoing();
    // The item an uninstall removes next, for its window.
    void Removing(const char* what);
    // Ends the run: the command returns false after this.
    bool Stop(EStepResult why)
    {
        m_eStop = why;
        return false;
    }

    CSinReader& m_reader;
    CSinProgressABC* m_pProgress;
    CInstallSession* m_pSession; // null while uninstalling
    CSafeRemover& m_remover;
    bool m_bAssociationChanged = false;
    // The section's element being run, and the first one whose file isn't
    // planned yet (PlanItems).
    const CXMLNode* m_pSection = nullptr;
    unsigned m_uElement = 0, m_uUnplanned = 0;
    EStepResult m_eStop = StepDone;
};

// Each returns false only when the whole run must stop (m_eStop says why).
typedef bool (*CommandFn)(CCommandRunner& runner, const CXMLNode* element);

CommandFn FindCommand(const char* name);

bool DoRunCommand(CCommandRunner& runner, const CXMLNode* element);
bool DoPath(CCommandRunner& runner, const CXMLNode* element);
bool DoRemovePath(CCommandRunner& runner, const CXMLNode* element);
