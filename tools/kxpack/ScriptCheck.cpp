#include "ScriptCheck.h"

#include <cstring>
#include <string>

#include "ArchitectureCheck.h"
#include "RegistryData.h"
#include "SuccessCodes.h"
#include "PathList.h"
#include "ElementCheck.h"
#include "Platform.h"
#include "RegistryKeyPath.h"
#include "ReleasePtr.h"
#include "ScriptEffects.h"
#include "ScriptMarkup.h"
#include "ScriptVocabulary.h"
#include "ScriptWords.h"
#include "XMLDocument.h"

namespace {

// What is read of an item that holds a setting's value.
const size_t kSettingRead = 4096;

CXMLDocument* Load(const CSmallString& text)
{
    return CXMLDocument::LoadFromMemory(text, (unsigned)text.GetLength(), true);
}

// The index of the first child named name, or the child count.
unsigned IndexOf(const CXMLNode* section, const char* name)
{
    unsigned i = 0;
    while (i < section->GetChildCount() && strcmp(section->GetChild(i)->GetName(), name) != 0)
        i++;
    return i;
}

std::string FileName(const std::string& path)
{
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

class CScriptCheck
{
public:
    CScriptCheck(const CXMLNode* written, const CXMLNode* packed, const CScriptPlaces& places,
                 const SCheckedScript& script, const CPackItemList& items, CScriptReport& report)
        : m_pWritten(written), m_pPacked(packed), m_places(places), m_arrOrigins(script.arrOrigins), m_log(script.log),
          m_items(items), m_report(report), m_elements(places, true, items, report), m_effects(report),
          m_architecture(report)
    {
    }

    void Run()
    {
        for (unsigned i = 0; i < m_pWritten->GetChildCount(); i++) {
            m_arrSound.push_back(m_elements.Check(m_pWritten->GetChild(i), i));
            m_elements.CheckWowNames(m_pWritten->GetChild(i), i);
        }
        CheckArchitecture();
        CheckScope();
        CheckTypedValues();
        CheckPacked();
        m_architecture.CheckFiles();
        CheckTargets();
        CheckTerms();
        CheckUninstaller();
    }

private:
    // Where the written element that the index-th packed one came from
    // stands, when that is known.
    bool Origin(unsigned packed, unsigned& written) const
    {
        if (m_arrOrigins.empty())
            written = packed;
        else if (m_arrOrigins.size() == m_pPacked->GetChildCount())
            written = m_arrOrigins[packed];
        else
            return false;
        return written < m_pWritten->GetChildCount();
    }

    // Each <architecture> as the installer reads it: its text, or its item's;
    // the first is the application's.
    void CheckArchitecture()
    {
        bool first = true;
        for (unsigned i = 0; i < m_pPacked->GetChildCount(); i++) {
            const CXMLNode* element = m_pPacked->GetChild(i);
            if (strcmp(element->GetName(), Setting::Architecture) != 0)
                continue;
            unsigned written = 0, id = 0;
            const bool known = Origin(i, written);
            const SPlace at = known ? m_places.Element(written) : SPlace();
            CSmallString text = element->GetText();
            if (element->GetAttributeValue(Attr::Id, id)) {
                std::vector<unsigned char> bytes;
                CSmallString why;
                if (id >= m_items.size() || !m_items[id].ReadStart(kSettingRead, bytes, why)) {
                    first = false;
                    continue; // reported as an id outside the table, or when the build reads it
                }
                text = CSmallString(reinterpret_cast<const char*>(bytes.data()), (int)bytes.size());
            }
            m_architecture.CheckSetting(at, DescribeElement(element, known ? written : i, at), text, first);
            first = false;
        }
    }

    // <scope>: a value the installer knows, and who gets the shortcuts and
    // the HKEY_CURRENT_USER values it leads to.
    void CheckScope()
    {
        EScope scope = ScopeUnset;
        const unsigned setting = IndexOf(m_pWritten, Setting::Scope);
        if (setting < m_pWritten->GetChildCount() &&
            !ParseScope(m_pWritten->GetChild(setting)->GetText(), scope)) {
            m_report.Error(m_places.Element(setting),
                           "%s: \"%s\" is not a scope: write %s (every user of the computer) or %s "
                           "(the user who installs, without administrator rights), or leave it out",
                           Tag(Setting::Scope).c_str(), Printable(m_pWritten->GetChild(setting)->GetText()).c_str(),
                           ScopeWord::Machine, ScopeWord::User);
            return;
        }
        bool toldShortcut = false, toldValue = false;
        for (unsigned i = 0; i < m_pWritten->GetChildCount(); i++) {
            const CXMLNode* element = m_pWritten->GetChild(i);
            if (!toldShortcut && scope == ScopeUnset && Mb::ICmp(element->GetName(), Command::Shortcut) == 0) {
                const char* folder = FindShortcutFolder(element->GetAttributeValue(Attr::Shortcut::Folder));
                for (const char* users : {ShortcutFolder::Desktop, ShortcutFolder::Programs, ShortcutFolder::StartMenu,
                                          ShortcutFolder::Startup})
                    if (folder && !strcmp(folder, users) && !toldShortcut) {
                        m_report.Warning(m_places.Element(i),
                                         "%s in %s reaches only the user who installs (nobody, when a "
                                         "deployment tool installs as SYSTEM): add %s to give "
                                         "every user of the computer the shortcuts",
                                         Tag(Command::Shortcut).c_str(), folder,
                                         TagWithText(Setting::Scope, ScopeWord::Machine).c_str());
                        toldShortcut = true;
                    }
            }
            const char* section = element->GetAttributeValue(Attr::RegKey::Section);
            if (scope == ScopeUser && section &&
                (Mb::ICmp(element->GetName(), Command::RegKey) == 0 ||
                 Mb::ICmp(element->GetName(), Command::RemoveRegKey) == 0) &&
                Mb::NbICmp(section, "HKEY_LOCAL_MACHINE\\", 19) == 0)
                m_report.Error(m_places.Element(i),
                               "%s: a per-user installation (%s) writes nothing under "
                               "HKEY_LOCAL_MACHINE: write the key under HKEY_CURRENT_USER",
                               Tag(element->GetName()).c_str(), TagWithText(Setting::Scope, ScopeWord::User).c_str());
            CSmallString userKey;
            if (!toldValue && scope == ScopeChoose && section && Mb::ICmp(element->GetName(), Command::RegKey) == 0 &&
                Mb::NbICmp(section, "HKEY_LOCAL_MACHINE\\", 19) == 0 &&
                !RegistryKeyPath::MapToUserKey(section, userKey)) {
                m_report.Warning(m_places.Element(i),
                                 "%s under HKEY_LOCAL_MACHINE is written only when every user is chosen "
                                 "(%s): the classes, App Paths and the Uninstall entries go "
                                 "under HKEY_CURRENT_USER for the user alone, any other key not at all",
                                 Tag(Command::RegKey).c_str(), TagWithText(Setting::Scope, ScopeWord::Choose).c_str());
                toldValue = true;
            }
            if (!toldValue && scope == ScopeMachine && Mb::ICmp(element->GetName(), Command::RegKey) == 0 &&
                section && Mb::NbICmp(section, "HKEY_CURRENT_USER\\", 18) == 0) {
                m_report.Warning(m_places.Element(i),
                                 "%s writes HKEY_CURRENT_USER in a machine-wide installation "
                                 "(%s): only the user who installs gets it, other users of the "
                                 "computer don't",
                                 Tag(Command::RegKey).c_str(), TagWithText(Setting::Scope, ScopeWord::Machine).c_str());
                toldValue = true;
            }
        }
    }

    // <reg-key type=...>: a type the installer knows, and a value of it (the
    // installation would stop at a number it can't write); <run-command
    // fail-on-exit=...>: exit codes the installer can read.
    void CheckTypedValues()
    {
        for (unsigned i = 0; i < m_pWritten->GetChildCount(); i++) {
            const CXMLNode* element = m_pWritten->GetChild(i);
            const char* codes = element->GetAttributeValue(Attr::RunCommand::FailOnExit);
            Container::CArray<unsigned long> success;
            CSmallString codesWhy;
            if (codes && Mb::ICmp(element->GetName(), Command::RunCommand) == 0 &&
                !ParseSuccessCodes(codes, success, codesWhy))
                m_report.Error(m_places.Element(i), "<%s %s>: %s", Command::RunCommand, Attr::RunCommand::FailOnExit,
                               codesWhy.GetText());
            if (Mb::ICmp(element->GetName(), Command::Path) == 0) {
                bool machine = false, atStart = false;
                CSmallString why;
                const char* folder = element->GetAttributeValue(Attr::Path::Folder);
                if (!ParsePathPlace(element->GetAttributeValue(Attr::Path::Scope),
                                    element->GetAttributeValue(Attr::Path::Position), false, machine, atStart, why))
                    m_report.Error(m_places.Element(i), "<%s>: %s", Command::Path, why.GetText());
                if (!folder || Mb::NbICmp(folder, Variable::AppReference, sizeof(Variable::AppReference) - 1) != 0)
                    m_report.Error(m_places.Element(i),
                                   "<%s>: %s \"%s\" is not the application's folder: write %s or a folder in it, "
                                   "%sbin",
                                   Command::Path, Attr::Path::Folder, Printable(folder ? folder : "").c_str(),
                                   Variable::AppReference, Variable::AppReference);
            }
            const char* typeWord = element->GetAttributeValue(Attr::RegKey::Type);
            if (!typeWord || Mb::ICmp(element->GetName(), Command::RegKey) != 0)
                continue;
            ERegValueType type = RegValueString;
            Container::CArray<unsigned char> data;
            CSmallString why;
            const char* value = element->GetAttributeValue(Attr::RegKey::Value);
            if (!ParseRegValueType(typeWord, type))
                m_report.Error(m_places.Element(i), "<%s>: \"%s\" is not a type of registry value: write %s",
                               Command::RegKey, Printable(typeWord).c_str(), RegValueTypeWords().GetText());
            else if (!EncodeRegValue(type, CSmallString(value ? value : ""), data, why))
                m_report.Error(m_places.Element(i), "<%s %s=\"%s\">: the value \"%s\" can't be written: %s",
                               Command::RegKey, Attr::RegKey::Type, typeWord, Printable(value ? value : "").c_str(),
                               why.GetText());
        }
    }

    // Names as they go into the package: a folder's files, a src= file's own name.
    void CheckPacked()
    {
        for (unsigned i = 0; i < m_pPacked->GetChildCount(); i++) {
            const CXMLNode* element = m_pPacked->GetChild(i);
            unsigned written = 0;
            const bool known = Origin(i, written);
            const SPlace at = known ? m_places.Element(written) : SPlace();
            if (NamesAFile(element->GetName()) && (!known || m_arrSound[written]))
                m_elements.CheckFileName(DescribeElement(element, known ? written : i, at), element,
                                         known ? m_places.Attribute(written, Attr::File::Name) : at);
            if (Mb::ICmp(element->GetName(), Command::File) == 0) {
                m_effects.NoteFile(element);
                unsigned id = 0;
                if (element->GetAttributeValue(Attr::Id, id) && id < m_items.size())
                    m_architecture.NoteFile(at, DescribeElement(element, known ? written : i, at), m_items[id]);
            }
        }
        if (m_pPacked->FindNode(Setting::UninstallDisplayName)) {
            m_effects.NoteOwnFile("uninstall.exe");
            m_effects.NoteOwnFile("uninstall.dat");
        }
    }

    void CheckTargets()
    {
        for (unsigned i = 0; i < m_pWritten->GetChildCount(); i++) {
            const CXMLNode* element = m_pWritten->GetChild(i);
            const char* name = element->GetName();
            const std::string where = DescribeElement(element, i, m_places.Element(i));
            if (Mb::ICmp(name, Command::Shortcut) == 0) {
                if (const char* target = element->GetAttributeValue(Attr::Shortcut::Target))
                    m_effects.CheckTarget(m_places.Attribute(i, Attr::Shortcut::Target), where + " target", target);
            } else if (Mb::ICmp(name, Command::Association) == 0) {
                if (const char* exe = element->GetAttributeValue(Attr::Association::Exe))
                    m_effects.CheckTarget(m_places.Attribute(i, Attr::Association::Exe), where + " exe", exe);
            } else if (!strcmp(name, Setting::LaunchExe) && !element->GetAttributeValue(Attr::Id)) {
                m_effects.CheckCommandLine(m_places.Element(i), where, element->GetText());
            }
            m_effects.NoteCreated(element, m_places.Element(i));
        }
    }

    void CheckTerms()
    {
        const CXMLNode* terms = m_pPacked->FindNode(Setting::Terms);
        if (!terms) {
            m_report.Warning(m_places.Root(),
                             "there is no %s: the wizard would show an empty page to agree to; "
                             "add %s (or the text inside %s)",
                             Tag(Setting::Terms).c_str(),
                             EmptyTag(Setting::Terms, AttributeText(Attr::Src, "terms.txt")).c_str(),
                             Tag(Setting::Terms).c_str());
            return;
        }
        unsigned long long size = (unsigned)terms->GetText().GetLength();
        unsigned id = 0;
        if (terms->GetAttributeValue(Attr::Id, id))
            size = id < m_items.size() ? m_items[id].GetSize() : 0;
        if (size > kTermsShownBytes)
            m_report.Warning(m_places.Element(IndexOf(m_pWritten, Setting::Terms)),
                             "%s is %llu bytes: the wizard shows only the first part of a text over %u KB",
                             Tag(Setting::Terms).c_str(), size, kTermsShownBytes / 1024);
    }

    void CheckUninstaller()
    {
        const CXMLNode* uninstaller = m_pPacked->FindNode(Setting::Uninstaller);
        const SPlace at = m_places.Element(IndexOf(m_pWritten, Setting::Uninstaller));
        // Without a log of its own a script gets one generated (UninstallLogGen.h).
        if (!m_pPacked->FindNode(Setting::UninstallDisplayName))
            m_report.Warning(m_places.Root(), "no uninstaller will be registered: the script has no %s",
                             Tag(Setting::UninstallDisplayName).c_str());
        if (!uninstaller)
            return;
        CSmallString text = uninstaller->GetText();
        const char* mark = uninstaller->GetAttributeValue(Attr::Generated);
        const bool generated = mark && !strcmp(mark, YesNo::Yes);
        std::string file = generated ? "generated uninstall log" : Tag(Setting::Uninstaller) + " text";
        // How the messages below name the uninstall script.
        const std::string script = "the uninstall script (" + Tag(Setting::Uninstaller) + ")";
        unsigned id = 0;
        bool replaced = false; // its variables: the text as written is where the places are
        if (uninstaller->GetAttributeValue(Attr::Id, id)) {
            if (id >= m_items.size())
                return; // already reported as an id outside the table
            const CPackItem& item = m_items[id];
            if (item.GetSize() > kLargestUninstallLog) {
                m_report.Warning(at, "%s is %llu bytes: too large to be checked", script.c_str(), item.GetSize());
                return;
            }
            std::vector<unsigned char> bytes;
            CSmallString why;
            if (!item.ReadAll(bytes, why)) {
                m_report.Error(at, "%s: %s", script.c_str(), why.GetText());
                return;
            }
            text = CSmallString(reinterpret_cast<const char*>(bytes.data()), (int)bytes.size());
            replaced = m_log.nItem == (int)id;
            if (replaced)
                file = m_log.strFile;
            else if (item.IsFile())
                file = item.GetPath();
        }
        if (!CheckScriptText(replaced ? m_log.strWritten : text, file.c_str(), m_report))
            return;
        const CScriptPlaces places =
            replaced ? CScriptPlaces(text.GetText(), (unsigned)text.GetLength(), file.c_str(),
                                     m_log.strWritten.GetText(), (unsigned)m_log.strWritten.GetLength(), m_log.edits)
                     : CScriptPlaces(text.GetText(), (unsigned)text.GetLength(), file.c_str());
        const CReleasePtr<CXMLDocument> log(Load(text));
        const CXMLNode* section = log ? log->FindNode(Section::Uninstall) : nullptr;
        if (!section) {
            m_report.Warning(at, "%s has no %s section: the uninstaller would remove nothing", script.c_str(),
                             Tag(Section::Uninstall).c_str());
            return;
        }
        CElementCheck elements(places, false, m_items, m_report);
        for (unsigned i = 0; i < section->GetChildCount(); i++) {
            const CXMLNode* element = section->GetChild(i);
            const std::string where = DescribeElement(element, i, places.Element(i));
            if (elements.Check(element, i) && NamesAFile(element->GetName()))
                elements.CheckFileName(where, element, places.Attribute(i, Attr::File::Name));
            // A generated log says again what the script says.
            if (!generated) {
                elements.CheckWowNames(element, i);
                if (!strcmp(element->GetName(), Setting::Architecture) && !element->GetAttributeValue(Attr::Id))
                    m_architecture.CheckSetting(places.Element(i), where, element->GetText(), false);
            }
            m_effects.NoteRemoved(element);
        }
        m_effects.CheckLeftovers("the uninstall script (" + FileName(file) + ")", at);
    }

    const CXMLNode* m_pWritten;
    const CXMLNode* m_pPacked;
    const CScriptPlaces& m_places;
    const std::vector<unsigned>& m_arrOrigins;
    const SReplacedLog& m_log;
    const CPackItemList& m_items;
    CScriptReport& m_report;
    CElementCheck m_elements;
    CScriptEffects m_effects;
    CArchitectureCheck m_architecture;
    std::vector<bool> m_arrSound; // per written element: no unknown attribute
};

} // namespace

void CheckScript(const SCheckedScript& script, const CScriptPlaces& places, const CPackItemList& items,
                 CScriptReport& report)
{
    const CReleasePtr<CXMLDocument> written(Load(script.strWritten));
    const bool rewritten = script.strPacked.GetLength() != script.strWritten.GetLength() ||
                           memcmp(script.strPacked.GetText(), script.strWritten.GetText(),
                                  (size_t)script.strWritten.GetLength()) != 0;
    const CReleasePtr<CXMLDocument> packed(rewritten ? Load(script.strPacked) : nullptr);
    const CXMLNode* install = written ? written->FindNode(Section::Install) : nullptr;
    const CXMLNode* packedInstall = rewritten ? (packed ? packed->FindNode(Section::Install) : nullptr) : install;
    if (!install || !packedInstall) {
        report.Error(places.Root(), "there is no %s section: the installer would do nothing",
                     Tag(Section::Install).c_str());
        return;
    }
    CScriptCheck(install, packedInstall, places, script, items, report).Run();
}
