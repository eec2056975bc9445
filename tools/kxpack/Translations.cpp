#include "Translations.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "BuiltInTexts.h"
#include "ReleasePtr.h"
#include "ScriptMarkup.h"
#include "ScriptSources.h"
#include "ScriptWords.h"
#include "Translation.h"
#include "Utf8.h"
#include "XMLNode.h"
#include "resource.h"

namespace {

typedef std::map<unsigned, std::string> CTextMap; // string-table id -> text

const STextId* FindText(const char* name)
{
    for (unsigned i = 0; i < g_nTextIds; i++)
        if (!strcmp(g_aTextIds[i].pszName, name))
            return &g_aTextIds[i];
    return nullptr;
}

const SBuiltInLanguage* FindBuiltIn(const char* code)
{
    for (unsigned i = 0; i < g_nBuiltInLanguages; i++)
        if (!Mb::ICmp(g_aBuiltInLanguages[i].pszCode, code))
            return &g_aBuiltInLanguages[i];
    return nullptr;
}

bool IsSetting(const CXMLNode* node, const char* name) { return node->GetName() == name; }

// The buttons and one-line labels whose width is fixed, in dialog units;
// a text estimated wider than its control (less its border) is reported.
struct SFixedWidth
{
    unsigned uId;
    int nWidth;
};
const SFixedWidth kFixedWidths[] = {
    {IDS_I_AGREE, 50}, {IDS_NEXT, 50},       {IDS_CLOSE, 50},       {IDS_INSTALL_BUTTON, 50},
    {IDS_BACK, 50},    {IDS_CANCEL, 50},     {IDS_BROWSE, 50},      {IDS_AT_RESTART, 52},
    {IDS_RETRY, 52},   {IDS_CLOSE_THEM, 52}, {IDS_RESTART_NOW, 52}, {IDS_LATER, 52},
    {IDS_OK, 50},      {IDS_ALL_USERS, 276}, {IDS_JUST_ME, 276},    {IDS_DEST_LABEL, 288},
};

// An estimate in dialog units of a one-line text in the dialogs' font: a
// dialog unit is a quarter of the font's average letter (of both cases), a
// small letter takes about 3.5, narrow ones half the average, capitals more,
// East Asian characters twice.
int EstimateWidth(const std::string& text)
{
    int width = 0;
    const char* p = text.c_str();
    const char* end = p + text.size();
    while (p < end) {
        const uint32_t c = Utf8::Next(p, end);
        if (c == '&')
            continue;
        // In half dialog units.
        if (c < 0x80 && strchr("iljtfr.,;:'!| ()[]", (int)c))
            width += 4;
        else if (c < 0x80 && (strchr("mwMW", (int)c) || (c >= 'A' && c <= 'Z')))
            width += 10;
        else if ((c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
                 (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFF60))
            width += 16;
        else
            width += 7;
    }
    return (width + 1) / 2;
}

// One language as the installer will carry it.
struct SLanguage
{
    std::string strCode;
    CTextMap texts;
    bool bBuiltIn = false;
    bool bPublisher = false;
    std::vector<unsigned> arrFromPublisher; // the ids the publisher's file gave
};

// Reads a translation's text into texts, reporting what can't be used.
void TakeFile(const char* text, size_t length, const char* file, const SPlace& at, CTextMap& texts,
              CScriptReport& report, std::vector<unsigned>* taken = nullptr)
{
    Container::CArray<Translation::SEntry> entries;
    CSmallString why;
    if (!Translation::Parse(text, (unsigned)length, entries, why)) {
        report.Error(at, "the translation \"%s\" can't be read: %s", file, why.GetText());
        return;
    }
    for (unsigned i = 0; i < entries.GetSize(); i++) {
        const Translation::SEntry& entry = entries[i];
        const STextId* id = FindText(entry.strKey);
        if (!id) {
            report.Error(at, "the translation \"%s\", line %u: unknown id %s", file, entry.uLine,
                         entry.strKey.GetText());
            continue;
        }
        const CSmallString want = Translation::Conversions(id->pszEnglish),
                           have = Translation::Conversions(entry.strText);
        // The usage is shown as it is: its "%" are no conversions.
        if (id->uId != IDS_USAGE && !(want == have)) {
            report.Error(at, "the translation \"%s\", line %u: %s takes the conversions \"%s\" in this order, not \"%s\"",
                         file, entry.uLine, id->pszName, want.GetText(), have.GetText());
            continue;
        }
        texts[id->uId] = entry.strText.GetText();
        if (taken)
            taken->push_back(id->uId);
    }
}

// A translation kxpack carries, into texts (checked by the tests).
void TakeBuiltIn(const SBuiltInLanguage& builtIn, CTextMap& texts)
{
    CScriptReport quiet(nullptr);
    TakeFile(builtIn.pszText, strlen(builtIn.pszText), builtIn.pszCode, SPlace(), texts, quiet);
}

std::vector<std::string> SplitList(const char* text)
{
    std::vector<std::string> codes;
    std::string word;
    for (const char* p = text;; p++) {
        if (*p && !strchr(" \t\r\n,;", *p)) {
            word += *p;
            continue;
        }
        if (!word.empty())
            codes.push_back(word);
        word.clear();
        if (!*p)
            return codes;
    }
}

} // namespace

bool WantsTranslations(const CXMLNode* install)
{
    for (unsigned i = 0; i < install->GetChildCount(); i++) {
        const CXMLNode* child = install->GetChild(i);
        if (IsSetting(child, Setting::Translation))
            return true;
    }
    const CXMLNode* languages = install->FindNode(Setting::Languages);
    return g_nBuiltInLanguages && (!languages || !SplitList(languages->GetText()).empty());
}

void AddTranslations(const CXMLNode* install, const std::string& scriptFolder, CXMLNode* section,
                     CScriptReport& report, const CScriptPlaces& places, std::vector<std::string>& inputs)
{
    std::vector<SLanguage> carried;
    const auto find = [&carried](const char* code) -> SLanguage* {
        for (SLanguage& language : carried)
            if (!Mb::ICmp(language.strCode.c_str(), code))
                return &language;
        return nullptr;
    };
    // The built-in ones kept: all, or those <languages> lists.
    int listedAt = -1;
    for (unsigned i = 0; i < install->GetChildCount() && listedAt < 0; i++)
        if (IsSetting(install->GetChild(i), Setting::Languages))
            listedAt = (int)i;
    std::vector<std::string> listed;
    if (listedAt < 0) {
        for (unsigned i = 0; i < g_nBuiltInLanguages; i++)
            listed.push_back(g_aBuiltInLanguages[i].pszCode);
    } else {
        listed = SplitList(install->GetChild((unsigned)listedAt)->GetText());
    }
    for (const std::string& code : listed) {
        if (code == "en" || find(code.c_str()))
            continue;
        SLanguage language;
        language.strCode = code;
        if (const SBuiltInLanguage* builtIn = FindBuiltIn(code.c_str())) {
            language.strCode = builtIn->pszCode;
            language.bBuiltIn = true;
            TakeBuiltIn(*builtIn, language.texts);
        }
        carried.push_back(language);
    }
    // The publisher's files, each over its language's built-in texts.
    for (unsigned i = 0; i < install->GetChildCount(); i++) {
        const CXMLNode* child = install->GetChild(i);
        if (!IsSetting(child, Setting::Translation))
            continue;
        const SPlace at = places.Element(i);
        const char* lang = child->GetAttributeValue(Attr::Lang);
        const char* src = child->GetAttributeValue(Attr::Src);
        if (!lang || !Translation::IsLanguageCode(lang) || !src) {
            report.Error(at, "%s needs %s, a language code such as de or pt-BR, and %s, its file",
                         Tag(Setting::Translation).c_str(), Attr::Lang, Attr::Src);
            continue;
        }
        const std::string path = HostPath(scriptFolder, src);
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        if (!in) {
            report.Error(at, "cannot read the translation \"%s\" (%s)", src, path.c_str());
            continue;
        }
        inputs.push_back(path);
        SLanguage* language = find(lang);
        if (!language) {
            SLanguage added;
            added.strCode = lang;
            if (const SBuiltInLanguage* builtIn = FindBuiltIn(lang)) {
                // Not kept by <languages>, but named here: carried, the
                // publisher's texts over the built-in ones.
                added.strCode = builtIn->pszCode;
                added.bBuiltIn = true;
                TakeBuiltIn(*builtIn, added.texts);
            }
            carried.push_back(added);
            language = &carried.back();
        }
        language->bPublisher = true;
        const std::string text = bytes.str();
        TakeFile(text.data(), text.size(), src, at, language->texts, report, &language->arrFromPublisher);
    }
    for (SLanguage& language : carried) {
        const SPlace at = listedAt >= 0 ? places.Element((unsigned)listedAt) : SPlace();
        if (!language.bBuiltIn && !language.bPublisher) {
            report.Error(at, "%s names \"%s\", which kxpack has no translation of and no %s gives", Tag(Setting::Languages).c_str(),
                         language.strCode.c_str(), Tag(Setting::Translation).c_str());
            continue;
        }
        std::string missing;
        unsigned count = 0;
        for (unsigned i = 0; i < g_nTextIds; i++)
            if (!language.texts.count(g_aTextIds[i].uId) && count++ < 3)
                missing += std::string(missing.empty() ? "" : ", ") + g_aTextIds[i].pszName;
        if (count)
            report.Warning("the translation \"%s\" lacks %u text(s) (%s%s): they are shown in English",
                           language.strCode.c_str(), count, missing.c_str(), count > 3 ? ", ..." : "");
        for (const SFixedWidth& fixed : kFixedWidths) {
            // The built-in translations are laid out by the tests; the
            // publisher's texts can only be estimated here.
            const auto text = language.texts.find(fixed.uId);
            if (std::find(language.arrFromPublisher.begin(), language.arrFromPublisher.end(), fixed.uId) !=
                    language.arrFromPublisher.end() &&
                text != language.texts.end() && EstimateWidth(text->second) > fixed.nWidth - 6) {
                const STextId* id = nullptr;
                for (unsigned i = 0; i < g_nTextIds && !id; i++)
                    if (g_aTextIds[i].uId == fixed.uId)
                        id = &g_aTextIds[i];
                report.Warning("the translation \"%s\": %s \"%s\" may not fit its control (about %d of %d dialog units)",
                               language.strCode.c_str(), id->pszName, text->second.c_str(),
                               EstimateWidth(text->second), fixed.nWidth - 6);
            }
        }
        const CReleasePtr<CXMLNode> texts(section->CreateNewChild(Setting::Texts));
        texts->SetAttribute(Attr::Lang, language.strCode.c_str());
        for (const auto& text : language.texts) {
            const CReleasePtr<CXMLNode> one(texts->CreateNewChild(Attr::Texts::Element));
            one->SetAttributeValue(Attr::Texts::Id, text.first);
            one->SetAttribute(Attr::Texts::Value, Translation::Escape(text.second.c_str()));
        }
    }
    // The language the script fixes must be one it carries.
    if (const CXMLNode* fixed = install->FindNode(Setting::Language)) {
        CSmallString code = fixed->GetText();
        code.TrimLeft();
        code.TrimRight();
        Container::CArray<CSmallString> codes;
        codes.Add("en");
        for (const SLanguage& language : carried)
            codes.Add(language.strCode.c_str());
        if (!Translation::IsLanguageCode(code))
            report.Error("%s \"%s\" is no language code such as de or pt-BR", Tag(Setting::Language).c_str(),
                         code.GetText());
        else if (Translation::Choose(code, codes) < 0)
            report.Warning("%s \"%s\": the installer carries no translation of it and speaks English",
                           Tag(Setting::Language).c_str(), code.GetText());
    }
}

bool WriteTranslationTemplate(const char* code, std::string& text)
{
    const SBuiltInLanguage* builtIn = FindBuiltIn(code);
    if (!builtIn && Mb::ICmp(code, "en"))
        return false;
    CTextMap texts;
    if (builtIn) {
        TakeBuiltIn(*builtIn, texts);
    }
    text = std::string("# kxsetup texts (") + (builtIn ? builtIn->pszCode : "en") +
           "): one \"ID = text\" per line, UTF-8; \\n is a line break, \\t a tab, \\s a space, \\\\ a backslash.\n";
    for (unsigned i = 0; i < g_nTextIds; i++) {
        const auto found = texts.find(g_aTextIds[i].uId);
        const std::string value = found != texts.end() ? found->second : g_aTextIds[i].pszEnglish;
        text += std::string(g_aTextIds[i].pszName) + " = " + Translation::Escape(value.c_str()).GetText() + "\n";
    }
    return true;
}
