#include "ScriptSources.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "FolderWalk.h"
#include "Platform.h"
#include "ReleasePtr.h"
#include "ScriptMarkup.h"
#include "ScriptVocabulary.h"
#include "ScriptWords.h"
#include "Translations.h"
#include "UninstallLogGen.h"
#include "XMLDocument.h"

// The script's own folder, with a trailing separator (or empty).
std::string FolderOf(const char* path)
{
    const std::string p = path;
    const size_t cut = p.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : p.substr(0, cut + 1);
}

// Script paths may use either separator; the host wants its own.
std::string HostPath(const std::string& folder, const char* relative)
{
    std::string rel = relative;
#ifndef _WIN32
    std::replace(rel.begin(), rel.end(), '\\', '/');
#endif
    const bool absolute = !rel.empty() && (rel[0] == '/' || rel[0] == '\\' || (rel.size() > 1 && rel[1] == ':'));
    return absolute ? rel : folder + rel;
}

namespace {

// A file's type for ordering: what follows the last dot of its name, in
// lower case ("" for none, or for a name that only starts with a dot).
std::string TypeOf(const std::string& rel)
{
    const size_t name = rel.find_last_of('/') + 1; // 0 when there is no '/'
    const size_t dot = rel.find_last_of('.');
    std::string type = dot != std::string::npos && dot > name ? rel.substr(dot + 1) : std::string();
    for (char& c : type)
        c = (char)(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return type;
}

bool IsFileCommand(const SScriptCommand* command)
{
    return command && Mb::ICmp(command->pszName, Command::File) == 0;
}

bool IsFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// One element without its children, as a reference of the caller's. Values
// are taken whole: one holding a NUL must still hold it for the check.
CXMLNode* CopyOne(const CXMLNode* from, CXMLNode* parent, std::initializer_list<const char*> skip)
{
    CReleasePtr<CXMLNode> to(parent->CreateNewChild(from->GetName()));
    to->SetText(from->GetText());
    const CXMLNode::CAttributeMap& attributes = from->GetAttributes();
    for (unsigned b = 0; b < attributes.GetBucketCount(); b++)
        for (const auto* e = attributes.GetBucket(b); e; e = e->pNext)
            if (std::none_of(skip.begin(), skip.end(), [&](const char* s) { return Mb::ICmp(s, e->key) == 0; }))
                to->TakeAttribute(e->key, CSmallString(e->value));
    return to.Detach();
}

// An element and everything under it, less the attributes named in skip
// (on the element itself), as a reference of the caller's. Iterative:
// scripts may nest without limit.
CXMLNode* CopyElement(const CXMLNode* from, CXMLNode* parent, std::initializer_list<const char*> skip = {},
                      bool deep = true)
{
    CReleasePtr<CXMLNode> top(CopyOne(from, parent, skip));
    if (!deep)
        return top.Detach();
    struct SFrame
    {
        const CXMLNode* pFrom;
        CXMLNode* pTo; // held by its parent
        unsigned uNext;
    };
    std::vector<SFrame> stack{{from, top.Get(), 0}};
    while (!stack.empty()) {
        SFrame& frame = stack.back();
        if (frame.uNext == frame.pFrom->GetChildCount()) {
            stack.pop_back();
            continue;
        }
        const CXMLNode* child = frame.pFrom->GetChild(frame.uNext++);
        const CReleasePtr<CXMLNode> to(CopyOne(child, frame.pTo, {}));
        stack.push_back({child, to.Get(), 0});
    }
    return top.Detach();
}

bool IsDefine(const CXMLNode* element) { return !strcmp(element->GetName(), Setting::Define); }

// What the packer rewrites: sources, and the <define>s it takes out.
bool NeedsRewrite(const CXMLNode* install)
{
    for (unsigned i = 0; i < install->GetChildCount(); i++) {
        const CXMLNode* child = install->GetChild(i);
        if (child->GetAttributeValue(Attr::Src) || child->GetAttributeValue(Attr::Text) || IsDefine(child))
            return true;
    }
    return false;
}

class CResolver
{
public:
    CResolver(const char* scriptPath, CPackItemList& items, CScriptReport& report, std::vector<std::string>& inputs,
              const CScriptPlaces& places)
        : m_strFolder(FolderOf(scriptPath)), m_items(items), m_report(report), m_inputs(inputs), m_places(places)
    {
    }

    void Resolve(const CXMLNode* from, unsigned index, CXMLNode* install)
    {
        if (IsDefine(from))
            return; // already replaced: the installer never sees one
        // Packed as <texts> once every element is resolved.
        if (from->GetName() == Setting::Translation || from->GetName() == Setting::Languages)
            return;
        const SPlace at = m_places.Element(index);
        const std::string where = DescribeElement(from, index, at);
        const char* src = from->GetAttributeValue(Attr::Src);
        const char* text = from->GetAttributeValue(Attr::Text);
        const SScriptCommand* command = FindScriptCommand(from->GetName());
        const bool itemIsText = command && command->bTakesItem && !IsFileCommand(command);

        if (!(src || (text && itemIsText))) {
            const CReleasePtr<CXMLNode> copy(CopyElement(from, install)); // install holds it on
            return;
        }
        if (from->GetAttributeValue(Attr::Id)) {
            m_report.Error(at, "%s has both %s and %s", where.c_str(), Attr::Id, src ? Attr::Src : Attr::Text);
            return;
        }
        if (itemIsText) {
            if (src) {
                const bool message = Mb::ICmp(command->pszName, Command::BroadcastMessage) == 0;
                m_report.Error(at, "%s takes its %s as %s, not %s", where.c_str(), message ? "message name" : "DLL path",
                               AttributeText(Attr::Text, "...").c_str(), Attr::Src);
                return;
            }
            const CReleasePtr<CXMLNode> to(CopyElement(from, install, {Attr::Text}));
            Add(to.Get(), CPackItem(text, strlen(text)), false);
            return;
        }

        const std::string path = HostPath(m_strFolder, src);
        if (IsFolder(path)) {
            if (!IsFileCommand(command)) {
                m_report.Error(at, "%s: %s \"%s\" is a folder; only %s takes a folder", where.c_str(), Attr::Src, src,
                               Tag(Command::File).c_str());
                return;
            }
            ExpandFolder(from, at, where, path, install);
            return;
        }
        CPackItem item;
        CSmallString why;
        if (!CPackItem::ListFile(path, item, why)) {
            m_report.Error(at, "%s: cannot read %s \"%s\" (%s: %s)", where.c_str(), Attr::Src, src, path.c_str(),
                           why.GetText());
            return;
        }
        m_inputs.push_back(path);
        const CReleasePtr<CXMLNode> to(CopyElement(from, install, {Attr::Src}));
        Add(to.Get(), std::move(item), IsFileCommand(command));
        if (command && !from->GetAttributeValue(Attr::File::Name)) {
            const std::string base = path.substr(path.find_last_of("/\\") + 1);
            to->SetAttribute(Attr::File::Name, base.c_str());
        }
    }

    // Number the items after the ones already there: first the settings'
    // and texts', then the files'.
    void NumberEarly() { Number(m_arrEarly); }
    void NumberLate() { Number(m_arrLate); }
    // The bytes of the files the script installs (numbered late).
    unsigned long long GetLateBytes() const
    {
        unsigned long long total = 0;
        for (const SPending& pending : m_arrLate)
            total += pending.item.GetSize();
        return total;
    }

private:
    // One <file> per file under the folder, each keeping its sub-folder
    // under dest. Files of one type follow each other (then by path): deflate
    // finds more to reuse among alike files than among neighbours in a
    // folder, which makes an application's package smaller.
    void ExpandFolder(const CXMLNode* from, const SPlace& at, const std::string& where, std::string folder,
                      CXMLNode* install)
    {
        m_inputs.push_back(folder);
        if (folder.back() != '/' && folder.back() != '\\')
            folder += '/';
        std::vector<std::string> files, folders;
        std::string why;
        if (!ListFolder(folder, files, folders, why)) {
            m_report.Error(at, "%s: %s", where.c_str(), why.c_str());
            return;
        }
        for (const std::string& sub : folders)
            m_inputs.push_back(folder + sub);
        std::vector<std::pair<std::string, std::string>> byType; // (type, path)
        for (std::string& rel : files)
            byType.emplace_back(TypeOf(rel), std::move(rel));
        std::sort(byType.begin(), byType.end());
        for (size_t i = 0; i < files.size(); i++)
            files[i] = std::move(byType[i].second);
        if (files.empty())
            m_report.Warning(at, "%s: the folder \"%s\" holds no files", where.c_str(),
                             from->GetAttributeValue(Attr::Src));
        const char* destAttr = from->GetAttributeValue(Attr::File::Dest);
        const std::string dest = destAttr ? destAttr : "";
        for (const std::string& rel : files) {
            CPackItem item;
            CSmallString why;
            if (!CPackItem::ListFile(folder + rel, item, why)) {
                m_report.Error(at, "%s: cannot read \"%s\": %s", where.c_str(), (folder + rel).c_str(), why.GetText());
                continue;
            }
            m_inputs.push_back(folder + rel);
            const size_t cut = rel.find_last_of('/');
            std::string sub = cut == std::string::npos ? std::string() : rel.substr(0, cut);
            std::replace(sub.begin(), sub.end(), '/', '\\');
            std::string fileDest = dest;
            if (!sub.empty())
                fileDest += (fileDest.empty() || fileDest.back() == '\\' ? "" : "\\") + sub;
            const CReleasePtr<CXMLNode> to(CopyElement(from, install, {Attr::Src, Attr::File::Name, Attr::File::Dest}));
            to->SetAttribute(Attr::File::Name, rel.substr(cut == std::string::npos ? 0 : cut + 1).c_str());
            to->SetAttribute(Attr::File::Dest, fileDest.c_str());
            Add(to.Get(), std::move(item), true);
        }
    }

    // Items wait here until every element is resolved: the <file>s' come
    // last, so that an installer read front to back meets what its wizard
    // shows before the files it copies.
    struct SPending
    {
        CXMLNode* pElement; // held by the document being written
        CPackItem item;
    };

    void Add(CXMLNode* element, CPackItem&& item, bool late)
    {
        (late ? m_arrLate : m_arrEarly).push_back(SPending{element, std::move(item)});
    }

    void Number(std::vector<SPending>& group)
    {
        for (SPending& pending : group) {
            pending.pElement->SetAttributeValue(Attr::Id, (unsigned)m_items.size());
            m_items.push_back(std::move(pending.item));
        }
        group.clear();
    }

    std::string m_strFolder;
    CPackItemList& m_items;
    CScriptReport& m_report;
    std::vector<std::string>& m_inputs;
    const CScriptPlaces& m_places;
    std::vector<SPending> m_arrEarly, m_arrLate;
};

// The uninstall log made from the section, packed as its <uninstaller>
// item, as a log named by src= would be: after the --item files, before
// the files the script names.
int AddGeneratedLog(CXMLNode* section, CPackItemList& items, CScriptReport& report)
{
    const auto itemText = [&items](unsigned id, CSmallString& text) {
        std::vector<unsigned char> bytes;
        CSmallString why;
        if (id >= items.size() || !items[id].ReadAll(bytes, why))
            return false;
        text = CSmallString(reinterpret_cast<const char*>(bytes.data()), (int)bytes.size());
        return true;
    };
    std::vector<std::string> notes;
    const std::string log = GenerateUninstallLog(section, itemText, notes);
    for (const std::string& note : notes)
        report.Warning("%s", note.c_str());
    const CReleasePtr<CXMLNode> uninstaller(section->CreateNewChild(Setting::Uninstaller));
    uninstaller->SetAttribute(Attr::Generated, YesNo::Yes);
    uninstaller->SetAttributeValue(Attr::Id, (unsigned)items.size());
    items.push_back(CPackItem(log.data(), log.size()));
    return (int)items.size() - 1;
}

} // namespace

bool ResolveScriptSources(const char* scriptPath, CSmallString& script, CPackItemList& items, CScriptReport& report,
                          std::vector<std::string>& inputs, const CScriptPlaces& places,
                          std::vector<unsigned>& origins, int& generatedLog)
{
    generatedLog = -1;
    const CReleasePtr<CXMLDocument> doc(CXMLDocument::LoadFromMemory(script, (unsigned)script.GetLength(), true));
    if (!doc) {
        report.Error("the script cannot be parsed");
        return false;
    }
    const CXMLNode* install = doc->FindNode(Section::Install);
    const bool generate = WantsGeneratedLog(install);
    if (!install || (!NeedsRewrite(install) && !generate && !WantsTranslations(install)))
        return true; // nothing to resolve: the script goes in as written

    const unsigned errorsBefore = report.GetErrorCount();
    const CReleasePtr<CXMLDocument> out(new CXMLDocument());
    CResolver resolver(scriptPath, items, report, inputs, places);
    CReleasePtr<CXMLNode> section;
    for (unsigned i = 0; i < doc->GetChildCount(); i++) {
        const CXMLNode* top = doc->GetChild(i);
        if (top != install) {
            const CReleasePtr<CXMLNode> copy(CopyElement(top, out.Get())); // out holds it on
            continue;
        }
        section.Reset(CopyElement(top, out.Get(), {}, false));
        for (unsigned c = 0; c < install->GetChildCount(); c++) {
            resolver.Resolve(install->GetChild(c), c, section.Get());
            origins.resize(section->GetChildCount(), c);
        }
    }
    AddTranslations(install, FolderOf(scriptPath), section.Get(), report, places, inputs);
    origins.resize(section->GetChildCount(), install->GetChildCount());
    resolver.NumberEarly();
    // With the settings' items numbered, the log can read them.
    if (generate) {
        generatedLog = AddGeneratedLog(section.Get(), items, report);
        origins.resize(section->GetChildCount(), install->GetChildCount());
    }
    section->SetAttribute(Attr::SpaceRequired, std::to_string(resolver.GetLateBytes()).c_str());
    resolver.NumberLate();
    CCharArray text;
    out->SavePrettyToCharArray(text, 0);
    script = CSmallString(text.GetData(), (int)text.GetSize());
    return report.GetErrorCount() == errorsBefore;
}
