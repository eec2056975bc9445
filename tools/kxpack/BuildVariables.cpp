#include "BuildVariables.h"

#include <cstring>

#include "Platform.h"
#include "ScriptWords.h"
#include "Spelling.h"
#include "Utf8.h"
#include "VariableText.h"
#include "XMLNode.h"

namespace {

const char kNameRule[] = "a name is letters, digits, _, - and .";

std::string Reference(const std::string& name)
{
    return "${" + name + "}";
}

} // namespace

bool CBuildVariables::DefineFromCommandLine(const char* definition, std::string& why)
{
    const char* equals = strchr(definition, '=');
    const std::string name = equals ? std::string(definition, equals) : std::string(definition);
    if (!equals) {
        why = std::string("-D ") + definition + ": write -D NAME=value";
        return false;
    }
    if (!IsVariableName(name.c_str())) {
        why = "-D " + std::string(definition) + ": \"" + name + "\" is not a variable name: " + kNameRule;
        return false;
    }
    if (!Utf8::IsValid(equals + 1, strlen(equals + 1))) {
        why = "-D " + name + ": the value is not UTF-8, as scripts are";
        return false;
    }
    if (SVariable* earlier = Lookup(name)) {
        earlier->strValue = equals + 1;
        return true;
    }
    SVariable variable;
    variable.strName = name;
    variable.strValue = equals + 1;
    variable.bCommandLine = true;
    m_arrVariables.push_back(variable);
    return true;
}

CBuildVariables::SVariable* CBuildVariables::Lookup(const std::string& name)
{
    for (SVariable& variable : m_arrVariables)
        if (Mb::ICmp(variable.strName.c_str(), name.c_str()) == 0)
            return &variable;
    return nullptr;
}

const std::string* CBuildVariables::Find(const std::string& name, bool& broken) const
{
    for (const SVariable& variable : m_arrVariables)
        if (Mb::ICmp(variable.strName.c_str(), name.c_str()) == 0) {
            broken = variable.eState != SVariable::Resolved;
            return broken ? nullptr : &variable.strValue;
        }
    broken = false;
    return nullptr;
}

const char* CBuildVariables::Nearest(const std::string& name) const
{
    std::vector<const char*> names;
    for (const SVariable& variable : m_arrVariables)
        names.push_back(variable.strName.c_str());
    return NearestName(name.c_str(), names.data(), (unsigned)names.size());
}

void CBuildVariables::TakeDefines(const CXMLNode* install, const CScriptPlaces& places, CScriptReport& report)
{
    for (unsigned i = 0; install && i < install->GetChildCount(); i++)
        if (!strcmp(install->GetChild(i)->GetName(), Setting::Define))
            TakeDefine(install->GetChild(i), i, places, report);
    std::vector<SVariable*> chain;
    for (SVariable& variable : m_arrVariables)
        Resolve(variable, chain, report);
}

void CBuildVariables::TakeDefine(const CXMLNode* element, unsigned index, const CScriptPlaces& places,
                                 CScriptReport& report)
{
    const SPlace at = places.Element(index);
    const char* const known[] = {Attr::Define::Name, Attr::Define::Value};
    const CXMLNode::CAttributeMap& attributes = element->GetAttributes();
    for (unsigned b = 0; b < attributes.GetBucketCount(); b++)
        for (const auto* e = attributes.GetBucket(b); e; e = e->pNext) {
            if (!strcmp(e->key, known[0]) || !strcmp(e->key, known[1]))
                continue;
            const char* nearest = NearestName(e->key, known, 2);
            report.Error(places.Attribute(index, e->key), "<define>: unknown attribute %s: %s%s%s", e->key.GetText(),
                         nearest ? "did you mean " : "<define> takes name and value", nearest ? nearest : "",
                         nearest ? "?" : "");
        }
    const char* name = element->GetAttributeValue(Attr::Define::Name);
    const char* value = element->GetAttributeValue(Attr::Define::Value);
    if (!name) {
        report.Error(at, "<define> has no name: write <define name=\"NAME\" value=\"...\"/>");
        return;
    }
    if (!IsVariableName(name)) {
        report.Error(places.Attribute(index, Attr::Define::Name), "<define>: \"%s\" is not a variable name: %s", name,
                     kNameRule);
        return;
    }
    if (SVariable* earlier = Lookup(name)) {
        if (!earlier->bCommandLine)
            report.Error(at, "<define>: %s is defined twice: the first is on line %u", name, earlier->at.uLine);
        return; // -D overrides the script's value
    }
    SVariable variable;
    variable.strName = name;
    variable.strValue = value ? value : "";
    variable.bCommandLine = false;
    variable.at = places.Attribute(index, Attr::Define::Value);
    // Known, so that its uses aren't reported as well.
    if (!value) {
        report.Error(at, "<define> %s has no value: write value=\"...\" (value=\"\" for an empty one)", name);
        variable.eState = SVariable::Broken;
    }
    m_arrVariables.push_back(variable);
}

// A <define>'s value is replaced in the script's text too, where a name it
// lacks is reported at its place; only a -D's are reported here.
void CBuildVariables::Resolve(SVariable& variable, std::vector<SVariable*>& chain, CScriptReport& report)
{
    if (variable.eState != SVariable::Unresolved)
        return;
    variable.eState = SVariable::Resolving;
    chain.push_back(&variable);
    const std::string written = variable.strValue;
    std::string value;
    bool broken = false;
    for (const SVariablePiece& piece : SplitVariables(written.data(), written.size())) {
        const std::string text = written.substr(piece.uStart, piece.uLength);
        if (piece.eKind == SVariablePiece::Escape) {
            value += "${";
            continue;
        }
        if (piece.eKind == SVariablePiece::Broken && variable.bCommandLine)
            report.Error("-D %s: %s", variable.strName.c_str(), BrokenVariableAdvice());
        SVariable* used = piece.eKind == SVariablePiece::Reference ? Lookup(piece.strName) : nullptr;
        if (piece.eKind == SVariablePiece::Reference && !used && variable.bCommandLine) {
            const char* nearest = Nearest(piece.strName);
            report.Error("-D %s: no such variable %s%s%s%s", variable.strName.c_str(), text.c_str(),
                         nearest ? ": did you mean " : "", nearest ? Reference(nearest).c_str() : "",
                         nearest ? "?" : "");
        }
        if (used && used->eState == SVariable::Resolving) {
            // The chain from the first use of this variable is the loop.
            size_t first = 0;
            while (chain[first] != used)
                first++;
            std::string loop;
            for (size_t i = first; i < chain.size(); i++) {
                loop += Reference(chain[i]->strName) + " -> ";
                chain[i]->eState = SVariable::Broken;
            }
            loop += Reference(used->strName);
            const char* what = "the value of %s leads back to itself: %s";
            if (used->bCommandLine)
                report.Error(what, ("-D " + used->strName).c_str(), loop.c_str());
            else
                report.Error(used->at, what, Reference(used->strName).c_str(), loop.c_str());
        } else if (used) {
            Resolve(*used, chain, report);
        }
        if (used && used->eState != SVariable::Resolved)
            broken = true;
        value += used && !broken ? used->strValue : text;
    }
    chain.pop_back();
    if (variable.eState == SVariable::Broken || broken) {
        variable.eState = SVariable::Broken;
        return;
    }
    variable.strValue = value;
    variable.eState = SVariable::Resolved;
}
