// kxpack's build-time variables: -D NAME=value on the command line and
// <define name="NAME" value="..."/> in the install section, which kxpack
// replaces as ${NAME} before anything reads the script. Names compare
// without regard to case, as Windows' environment names do, so that a -D
// always reaches the <define> it overrides.
#pragma once

#include <string>
#include <vector>

#include "ScriptPlaces.h"
#include "ScriptReport.h"

class CXMLNode;

class CBuildVariables
{
public:
    // -D NAME=value; false, with why, when it is not that. A later -D of a
    // name wins, as with compilers.
    bool DefineFromCommandLine(const char* definition, std::string& why);

    // The <define>s of the install section as written (places: of that
    // text), less those a -D overrides; then every value's own ${NAME}s
    // resolved. Reports a bad <define>, a name defined twice and a value
    // that leads back to itself. Called once.
    void TakeDefines(const CXMLNode* install, const CScriptPlaces& places, CScriptReport& report);

    bool IsEmpty() const { return m_arrVariables.empty(); }

    // A name's value; null when it is none. broken: it is defined, but its
    // value leads back to itself (already reported).
    const std::string* Find(const std::string& name, bool& broken) const;

    // The defined name nearest to name, for "did you mean"; null when none is near.
    const char* Nearest(const std::string& name) const;

private:
    struct SVariable
    {
        std::string strName;
        std::string strValue; // as written; resolved by Resolve
        bool bCommandLine;
        SPlace at; // of a <define>
        enum EState
        {
            Unresolved,
            Resolving,
            Resolved,
            Broken
        } eState = Unresolved;
    };

    SVariable* Lookup(const std::string& name);
    void TakeDefine(const CXMLNode* element, unsigned index, const CScriptPlaces& places, CScriptReport& report);
    void Resolve(SVariable& variable, std::vector<SVariable*>& chain, CScriptReport& report);

    std::vector<SVariable> m_arrVariables;
};
