#include "CommandArgs.h"

#include <cstring>

namespace {

// The option named by arg, and where a value joined to it starts (null when
// none is); null when arg names no option of the command.
const SOptionRule* FindOption(const std::vector<SOptionRule>& options, const char* arg, const char*& joined)
{
    for (const SOptionRule& rule : options) {
        for (const char* name : {rule.pszName, rule.pszAlias}) {
            if (!name)
                continue;
            const size_t n = strlen(name);
            if (strncmp(arg, name, n) != 0)
                continue;
            joined = nullptr;
            if (arg[n] == 0)
                return &rule;
            // "--item=FILE"; "-DNAME=1" for a one-letter option that takes a value.
            if (rule.eKind != OptionFlag && name[1] == '-' && arg[n] == '=') {
                joined = arg + n + 1;
                return &rule;
            }
            if (rule.eKind != OptionFlag && name[1] != '-' && n == 2) {
                joined = arg + n;
                return &rule;
            }
        }
    }
    return nullptr;
}

} // namespace

bool CCommandArgs::Parse(int argc, char** argv, int first, const std::vector<SOptionRule>& options,
                         unsigned maxOperands, CSmallString& why)
{
    bool operandsOnly = false;
    for (int i = first; i < argc; i++) {
        const char* arg = argv[i];
        if (!operandsOnly && !strcmp(arg, "--")) {
            operandsOnly = true;
            continue;
        }
        if (operandsOnly || arg[0] != '-' || arg[1] == 0) {
            if (m_arrOperands.size() == maxOperands) {
                why.Format("unexpected argument: %s", arg);
                return false;
            }
            m_arrOperands.push_back(arg);
            continue;
        }
        const char* value = nullptr;
        const SOptionRule* rule = FindOption(options, arg, value);
        if (!rule) {
            why.Format("unexpected argument: %s (not an option of this command)", arg);
            return false;
        }
        if (rule->eKind != OptionFlag && !value) {
            if (i + 1 == argc) {
                why.Format("%s needs a value", arg);
                return false;
            }
            value = argv[++i];
        }
        // A second value would silently win over the first.
        if (rule->eKind == OptionValue && Has(rule->pszName)) {
            why.Format("unexpected argument: %s is given twice", rule->pszName);
            return false;
        }
        m_arrGiven.push_back(SGiven{rule->pszName, value});
    }
    return true;
}

bool CCommandArgs::Has(const char* option) const
{
    for (const SGiven& given : m_arrGiven)
        if (!strcmp(given.pszOption, option))
            return true;
    return false;
}

const char* CCommandArgs::Value(const char* option) const
{
    for (const SGiven& given : m_arrGiven)
        if (!strcmp(given.pszOption, option))
            return given.pszValue;
    return nullptr;
}

std::vector<const char*> CCommandArgs::Values(const char* option) const
{
    std::vector<const char*> values;
    for (const SGiven& given : m_arrGiven)
        if (!strcmp(given.pszOption, option))
            values.push_back(given.pszValue);
    return values;
}
