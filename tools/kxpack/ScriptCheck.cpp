#include "ScriptCheck.h"

#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "Platform.h"
#include "ScriptVocabulary.h"
#include "ScriptWords.h"
#include "WinPath.h"
#include "XMLDocument.h"

unsigned EditDistance(const char* a, const char* b)
{
    const size_t n = strlen(a), m = strlen(b);
    std::vector<unsigned> row(m + 1);
    for (size_t j = 0; j <= m; j++)
        row[j] = (unsigned)j;
    for (size_t i = 1; i <= n; i++) {
        unsigned diagonal = row[0];
        row[0] = (unsigned)i;
        for (size_t j = 1; j <= m; j++) {
            const unsigned above = row[j];
            const bool same = Mb::ToUpper((unsigned char)a[i - 1]) == Mb::ToUpper((unsigned char)b[j - 1]);
            row[j] = std::min(std::min(row[j] + 1, row[j - 1] + 1), diagonal + (same ? 0 : 1));
            diagonal = above;
        }
    }
    return row[m];
}

namespace {

// The wizard's terms box shows no more than about this much.
const unsigned kTermsShown = 256 * 1024;

// The largest uninstall script read for its check.
const unsigned long long kLargestUninstaller = 64ull << 20;

// The nearest known name within two edits, or null.
const char* Nearest(const char* name, bool commands)
{
    const char* best = nullptr;
    unsigned bestDistance = 3;
    const unsigned count = commands ? g_uScriptCommandCount : g_uScriptSettingCount;
    for (unsigned i = 0; i < count; i++) {
        const char* known = commands ? g_arrScriptCommands[i].pszName : g_arrScriptSettings[i];
        const unsigned d = EditDistance(name, known);
        if (d < bestDistance) {
            best = known;
            bestDistance = d;
        }
    }
    return best;
}

// Commands whose name becomes a file name: <file> writes it, the shortcut
// commands add ".lnk" to it.
bool NamesAFile(const SScriptCommand* command)
{
    return command && (Mb::ICmp(command->pszName, "file") == 0 || Mb::ICmp(command->pszName, "shortcut") == 0 ||
                       Mb::ICmp(command->pszName, "remove-shortcut") == 0);
}

// The value whole: GetAttributeValue() would stop at a NUL.
const CSmallString* FindValue(const CXMLNode* element, const char* name)
{
    const CXMLNode::CAttributeMap& map = element->GetAttributes();
    for (unsigned b = 0; b < map.GetBucketCount(); b++)
        for (const auto* e = map.GetBucket(b); e; e = e->pNext)
            if (Mb::ICmp(e->key, name) == 0)
                return &e->value;
    return nullptr;
}

// Control bytes (a NUL among them) as \xNN, so the report stays one line.
std::string Printable(const CSmallString& text)
{
    std::string out;
    for (int i = 0; i < text.GetLength(); i++) {
        const unsigned char c = (unsigned char)text.GetText()[i];
        if (c < 0x20 || c == 0x7F) {
            char hex[8];
            snprintf(hex, sizeof(hex), "\\x%02X", c);
            out += hex;
        } else {
            out += (char)c;
        }
    }
    return out;
}

class CChecker
{
public:
    CChecker(const CPackItemList& items, CScriptReport& report) : m_items(items), m_report(report) {}

    void CheckElement(const CXMLNode* element, unsigned index)
    {
        const std::string where = DescribeElement(element, index);
        const char* name = element->GetName();
        const SScriptCommand* command = FindScriptCommand(name);
        if (!command && !IsScriptSetting(name)) {
            if (const char* typo = Nearest(name, true))
                m_report.Error("%s is not a command: did you mean <%s>? (it would be skipped)", where.c_str(), typo);
            else if (const char* setting = Nearest(name, false))
                m_report.Warning("%s is not a known setting: did you mean <%s>?", where.c_str(), setting);
            else
                m_report.Warning("%s is neither a command nor a known setting", where.c_str());
        }
        const char* id = element->GetAttributeValue("id");
        if (command && command->bTakesItem && !id)
            m_report.Error("%s has no id (the command would be skipped)", where.c_str());
        else if (id)
            CheckId(where, id);
        if (NamesAFile(command))
            CheckFileName(where, element);
    }

    void CheckTerms(const CXMLNode* install)
    {
        const CXMLNode* terms = install->FindNode(Setting::Terms);
        if (!terms)
            return;
        unsigned long long size = (unsigned)terms->GetText().GetLength();
        unsigned id = 0;
        if (terms->GetAttributeValue("id", id))
            size = id < m_items.size() ? m_items[id].GetSize() : 0;
        if (size > kTermsShown)
            m_report.Warning("<terms> is %llu bytes: the wizard shows only the first part of a text over %u KB", size,
                             kTermsShown / 1024);
    }

    void CheckUninstaller(const CXMLNode* install)
    {
        const CXMLNode* uninstaller = install->FindNode(Setting::Uninstaller);
        if (!install->FindNode(Setting::UninstallDisplayName))
            m_report.Warning("no uninstaller will be registered: the script has no <uninstall-display-name>");
        // A generated log takes its names from the script, checked already.
        const char* generated = uninstaller ? uninstaller->GetAttributeValue("generated") : nullptr;
        if (!uninstaller || (generated && !strcmp(generated, "yes")))
            return;
        CSmallString text = uninstaller->GetText();
        unsigned id = 0;
        if (uninstaller->GetAttributeValue("id", id)) {
            if (id >= m_items.size())
                return; // already reported as an id outside the table
            const CPackItem& item = m_items[id];
            if (item.GetSize() > kLargestUninstaller) {
                m_report.Warning("the uninstall script (<uninstaller>) is %llu bytes: too large to be checked",
                                 item.GetSize());
                return;
            }
            std::vector<unsigned char> bytes;
            CSmallString why;
            if (!item.ReadAll(bytes, why)) {
                m_report.Error("the uninstall script (<uninstaller>): %s", why.GetText());
                return;
            }
            text = CSmallString(reinterpret_cast<const char*>(bytes.data()), (int)bytes.size());
        }
        CXMLDocument* log = CXMLDocument::LoadFromMemory(text, (unsigned)text.GetLength(), true);
        const CXMLNode* section = log ? log->FindNode("uninstall") : nullptr;
        if (!section)
            m_report.Warning("the uninstall script (<uninstaller>) has no <uninstall> section: the uninstaller "
                             "would remove nothing");
        for (unsigned i = 0; section && i < section->GetChildCount(); i++) {
            const CXMLNode* element = section->GetChild(i);
            if (NamesAFile(FindScriptCommand(element->GetName())))
                CheckFileName("the uninstall script (<uninstaller>), " + DescribeElement(element, i), element);
        }
        if (log)
            log->Release();
    }

private:
    void CheckFileName(const std::string& where, const CXMLNode* element)
    {
        const CSmallString* name = FindValue(element, "name");
        if (!name)
            m_report.Error("%s has no name", where.c_str());
        else if (const char* why = WinPath::WhyNotPlainName(*name))
            m_report.Error("%s: name \"%s\" is not a plain file name: %s", where.c_str(), Printable(*name).c_str(),
                           why);
    }

    void CheckId(const std::string& where, const char* id)
    {
        bool digits = *id != 0;
        for (const char* p = id; *p; p++)
            digits = digits && isdigit((unsigned char)*p);
        if (!digits) {
            m_report.Error("%s: id \"%s\" is not an item number", where.c_str(), id);
            return;
        }
        const unsigned long n = strtoul(id, nullptr, 10);
        if (n >= m_items.size())
            m_report.Error("%s: id %lu is outside the item table (%u items)", where.c_str(), n,
                           (unsigned)m_items.size());
    }

    const CPackItemList& m_items;
    CScriptReport& m_report;
};

} // namespace

void CheckScript(const CSmallString& script, const CPackItemList& items, CScriptReport& report)
{
    CXMLDocument* doc = CXMLDocument::LoadFromMemory(script, (unsigned)script.GetLength(), true);
    const CXMLNode* install = doc ? doc->FindNode("install") : nullptr;
    if (!install) {
        report.Error("there is no <install> section: the installer would do nothing");
    } else {
        CChecker checker(items, report);
        for (unsigned i = 0; i < install->GetChildCount(); i++)
            checker.CheckElement(install->GetChild(i), i);
        checker.CheckTerms(install);
        checker.CheckUninstaller(install);
    }
    if (doc)
        doc->Release();
}
