#include "Language.h"

#include <windows.h>

#include "Platform.h"
#include "ReleasePtr.h"
#include "ScriptWords.h"
#include "SetupLog.h"
#include "Translation.h"
#include "XMLNode.h"
#include "win32/ResString.h"

namespace {

CSmallString g_strRunLanguage = "en";
bool g_bRightToLeft = false;

// A text of the package (UTF-8) in the process's code page; false when that
// code page can't show all of it.
bool ToCodePage(const char* utf8, CSmallString& text)
{
    if (Mb::IsUtf8()) {
        text = utf8;
        return true;
    }
    const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (wide <= 0)
        return false;
    Container::CArray<wchar_t> buffer;
    buffer.SetSize((unsigned)wide);
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, buffer.GetData(), wide);
    BOOL lost = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, 0, buffer.GetData(), -1, nullptr, 0, nullptr, &lost);
    if (n <= 0 || lost)
        return false;
    text = CSmallString(buffer.GetData());
    return true;
}

const char* LangOf(const CXMLNode* node)
{
    const char* lang = node->GetAttributeValue(Attr::Lang);
    return lang ? lang : "";
}

bool IsEnglish(const char* code)
{
    return (code[0] == 'e' || code[0] == 'E') && (code[1] == 'n' || code[1] == 'N') && (!code[2] || code[2] == '-');
}

// A translation is a format like the English it replaces: one whose
// conversions differ (a forged package or uninstall log) could read or write
// past its arguments, so the English stays.
bool FormatsAlike(unsigned id, const char* translated)
{
    CResString english(id);
    // Texts without a string-table entry (the usage) are shown, never formatted.
    if (!(const char*)english)
        return true;
    return Translation::Conversions(english) == Translation::Conversions(translated);
}

// Puts texts in place; false (nothing changed) when the code page can't
// show them. Call with no translation in place.
bool TakeTexts(CXMLNode* texts)
{
    Container::CArray<unsigned> ids;
    Container::CArray<CSmallString> values;
    for (unsigned i = 0; i < texts->GetChildCount(); i++) {
        const CXMLNode* node = texts->GetChild(i);
        unsigned id = 0;
        const char* value = node->GetAttributeValue(Attr::Texts::Value);
        if (!(node->GetName() == Attr::Texts::Element) || !node->GetAttributeValue(Attr::Texts::Id, id) || !value)
            continue;
        const CSmallString text = Translation::Unescape(value);
        if (!FormatsAlike(id, text)) {
            LogLine("Language: text %u does not take the English text's arguments: English is shown", id);
            continue;
        }
        CSmallString shown;
        if (!ToCodePage(text, shown))
            return false;
        ids.Add(id);
        values.Add(shown);
    }
    ClearTranslatedTexts();
    for (unsigned i = 0; i < ids.GetSize(); i++)
        SetTranslatedText(ids[i], values[i]);
    return true;
}

} // namespace

CXMLNode* FindInLanguage(CXMLNode* section, const char* name, const char* code)
{
    Container::CArray<CSmallString> codes;
    Container::CArray<CXMLNode*> nodes;
    for (unsigned i = 0; i < section->GetChildCount(); i++) {
        CXMLNode* child = section->GetChild(i);
        if (child->GetName() == name && *LangOf(child)) {
            codes.Add(LangOf(child));
            nodes.Add(child);
        }
    }
    const int at = Translation::Choose(code, codes);
    return at < 0 ? nullptr : nodes[(unsigned)at];
}

CSmallString GetUserLanguage()
{
    // ISO 639 and 3166 names, as language codes write them: "de-DE".
    const LCID locale = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
    char language[16] = {0}, country[16] = {0};
    if (!GetLocaleInfoA(locale, LOCALE_SISO639LANGNAME, language, sizeof(language)))
        return CSmallString();
    CSmallString code = language;
    // Chinese: the script decides, and the country names it.
    if (GetLocaleInfoA(locale, LOCALE_SISO3166CTRYNAME, country, sizeof(country)) && *country)
        code += CSmallString("-") + country;
    return code;
}

CSmallString ApplyLanguage(CXMLNode* section, const char* forced)
{
    CSmallString setting;
    if (const CXMLNode* language = section ? section->FindNode(Setting::Language) : nullptr) {
        setting = language->GetText();
        setting.TrimLeft();
        setting.TrimRight();
    }
    const CSmallString user = GetUserLanguage();
    const char* wanted = forced && *forced ? forced : !setting.IsEmpty() ? setting.GetText() : user.GetText();
    const char* why = forced && *forced ? "/LANG=" : !setting.IsEmpty() ? "the script's setting" : "the user's language";
    CXMLNode* texts = section ? FindInLanguage(section, Setting::Texts, wanted) : nullptr;
    ClearTranslatedTexts(); // TakeTexts compares with the English
    g_strRunLanguage = "en";
    g_bRightToLeft = false;
    if (!texts) {
        LogLine("Language: English (%s %s%s)", why, *wanted ? wanted : "unknown",
                *wanted && !IsEnglish(wanted) ? ": no translation carried" : "");
    } else if (!TakeTexts(texts)) {
        LogLine("Language: English (%s %s: this system's code page can't show its texts)", why, wanted);
    } else {
        g_strRunLanguage = LangOf(texts);
        g_bRightToLeft = Translation::IsRightToLeft(g_strRunLanguage);
        LogLine("Language: %s (%s %s)", g_strRunLanguage.GetText(), why, wanted);
    }
    // Every window made from here on is mirrored; paths and numbers keep
    // their own direction inside them.
    SetProcessDefaultLayout(g_bRightToLeft ? LAYOUT_RTL : 0);
    return g_strRunLanguage;
}

const char* GetRunLanguage() { return g_strRunLanguage; }

bool IsRunRightToLeft() { return g_bRightToLeft; }

void RecordLanguage(CXMLNode* installSection, CXMLNode* logSection)
{
    for (unsigned i = logSection->GetChildCount(); i-- > 0;) {
        CXMLNode* child = logSection->GetChild(i);
        if (child->GetName() == Setting::Texts || child->GetName() == Setting::Language)
            logSection->RemoveNode(child);
    }
    if (g_strRunLanguage == "en")
        return;
    CXMLNode* texts = FindInLanguage(installSection, Setting::Texts, g_strRunLanguage);
    if (!texts)
        return;
    CReleasePtr<CXMLNode>(logSection->CreateNewChild(Setting::Language))->SetText(g_strRunLanguage);
    const CReleasePtr<CXMLNode> copy(logSection->CreateNewChild(Setting::Texts));
    copy->SetAttribute(Attr::Lang, g_strRunLanguage);
    for (unsigned i = 0; i < texts->GetChildCount(); i++) {
        const CXMLNode* text = texts->GetChild(i);
        const CReleasePtr<CXMLNode> to(copy->CreateNewChild(text->GetName()));
        to->SetAttribute(Attr::Texts::Id, text->GetAttributeValue(Attr::Texts::Id));
        to->SetAttribute(Attr::Texts::Value, text->GetAttributeValue(Attr::Texts::Value));
    }
}
