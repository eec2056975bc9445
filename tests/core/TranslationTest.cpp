// Translations: the file format, which language serves a user, the built-in
// translations against the English, and what kxpack reports about a
// publisher's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BuiltInTexts.h"
#include "KxPackRun.h"
#include "TestFiles.h"
#include "Translation.h"

namespace {

Container::CArray<CSmallString> Codes(std::initializer_list<const char*> codes)
{
    Container::CArray<CSmallString> out;
    for (const char* code : codes)
        out.Add(code);
    return out;
}

int CountAmpersands(const std::string& text)
{
    int n = 0;
    for (size_t i = 0; i < text.size(); i++)
        n += text[i] == '&' && (i + 1 == text.size() || text[i + 1] != '&');
    return n;
}

} // namespace

TEST(Translation, FileLinesEscapesAndConversions)
{
    const std::string file = "\xEF\xBB\xBF# comment\r\n\r\nIDS_A =  - Title\nIDS_B=two\\nlines\\tand \\\\ C:\\Programs\\s\n"
                             "  IDS_C = %s of %d is %lu%%, %5.2f\n";
    Container::CArray<Translation::SEntry> entries;
    CSmallString error;
    ASSERT_TRUE(Translation::Parse(file.data(), (unsigned)file.size(), entries, error)) << error.GetText();
    ASSERT_EQ(3u, entries.GetSize());
    EXPECT_STREQ(" - Title", entries[0].strText);
    EXPECT_STREQ("two\nlines\tand \\ C:\\Programs ", entries[1].strText);
    EXPECT_EQ(5u, entries[2].uLine);
    EXPECT_STREQ("IDS_C", entries[2].strKey);
    EXPECT_STREQ("s,d,lu,5.2f", Translation::Conversions(entries[2].strText));
    EXPECT_STREQ("", Translation::Conversions("100%% done"));

    // Written back, ends and escapes survive a reader that trims values.
    for (const char* text : {" - Title", "two\nlines\tand \\ x ", "plain", " ", ""})
        EXPECT_STREQ(text, Translation::Unescape(Translation::Escape(text))) << text;
    EXPECT_STREQ("\\s- Title", Translation::Escape(" - Title"));

    for (const char* bad : {"IDS_A text without equals\n", " = no id\n", "IDS_A = \xC3\x28\n"}) {
        EXPECT_FALSE(Translation::Parse(bad, (unsigned)strlen(bad), entries, error)) << bad;
        EXPECT_NE(nullptr, strstr(error, "line 1")) << error.GetText();
    }
}

TEST(Translation, WhichLanguageServesTheUser)
{
    const auto carried = Codes({"de", "pt-BR", "zh-CN", "fr-CA", "he"});
    const struct
    {
        const char* wanted;
        int served;
    } cases[] = {
        {"de", 0},     {"DE", 0},     {"de-AT", 0},  {"de-DE", 0},    {"pt-BR", 1}, {"pt-PT", 1}, {"pt", 1},
        {"zh-CN", 2},  {"zh-SG", 2},  {"zh-TW", -1}, {"zh-HK", -1},   {"fr", 3},    {"fr-FR", 3}, {"he-IL", 4},
        {"sv-SE", -1}, {"en-US", -1}, {"", -1},      {"deu-DE", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.served, Translation::Choose(c.wanted, carried)) << c.wanted;
    EXPECT_EQ(-1, Translation::Choose("de", Codes({})));

    for (const char* code : {"ar", "he-IL", "fa", "ur-PK"})
        EXPECT_TRUE(Translation::IsRightToLeft(code)) << code;
    for (const char* code : {"de", "en", "ja", "arn"})
        EXPECT_FALSE(Translation::IsRightToLeft(code)) << code;
    for (const char* code : {"de", "pt-BR", "zh-Hans-CN", "fil"})
        EXPECT_TRUE(Translation::IsLanguageCode(code)) << code;
    for (const char* code : {"", "d", "deut", "de_DE", "de-", "de--x", "1de", "de/..", "de DE"})
        EXPECT_FALSE(Translation::IsLanguageCode(code)) << code;
}

// Each built-in translation gives every text, the English conversions in
// their order, and an access key wherever the English has one.
TEST(Translation, BuiltInTranslationsAreWholeAndKeepTheFormats)
{
    ASSERT_GE(g_nBuiltInLanguages, 12u);
    for (unsigned l = 0; l < g_nBuiltInLanguages; l++) {
        const SBuiltInLanguage& language = g_aBuiltInLanguages[l];
        Container::CArray<Translation::SEntry> entries;
        CSmallString error;
        ASSERT_TRUE(Translation::Parse(language.pszText, (unsigned)strlen(language.pszText), entries, error))
            << language.pszCode << ": " << error.GetText();
        EXPECT_EQ(g_nTextIds, entries.GetSize()) << language.pszCode;
        for (unsigned i = 0; i < g_nTextIds; i++) {
            const STextId& id = g_aTextIds[i];
            const Translation::SEntry* found = nullptr;
            for (unsigned e = 0; e < entries.GetSize() && !found; e++)
                if (!strcmp(entries[e].strKey, id.pszName))
                    found = &entries[e];
            if (!found) {
                ADD_FAILURE() << language.pszCode << " lacks " << id.pszName;
                continue;
            }
            const std::string text = found->strText.GetText();
            if (strcmp(id.pszName, "IDS_USAGE")) {
                EXPECT_STREQ(Translation::Conversions(id.pszEnglish), Translation::Conversions(text.c_str()))
                    << language.pszCode << " " << id.pszName;
            }
            EXPECT_EQ(CountAmpersands(id.pszEnglish) ? 1 : 0, CountAmpersands(text))
                << language.pszCode << " " << id.pszName << ": " << text;
            EXPECT_EQ(id.pszEnglish[0] == ' ', text[0] == ' ') << language.pszCode << " " << id.pszName;
        }
    }
}

// What kxpack check says about a publisher's translation files.
TEST(Translation, KxPackReportsWhatATranslationGetsWrong)
{
    CTempDir dir;
    const struct
    {
        const char* file; // the publisher's file
        const char* lang;
        const char* languages; // the <languages> setting, or null
        int code;
        const char* expect;
    } cases[] = {
        {"IDS_NEXT = &Volgende\n", "nl", nullptr, 1, "lacks"},
        {"IDS_NEXT = &Volgende\n", "nl", "", 1, "lacks"},
        {"IDS_NEXTT = &Volgende\n", "nl", nullptr, 2, "unknown id IDS_NEXTT"},
        {"IDS_BROWSE_TITLE = Kies een map:\n", "nl", nullptr, 2, "takes the conversions \"s\" in this order, not \"\""},
        {"IDS_SPACE_REQUIRED = Ruimte: %s %s\n", "nl", nullptr, 2, "not \"s,s\""},
        {"IDS_COMMAND_FAILED = %s: %d\n", "nl", nullptr, 2, "\"s,lu\" in this order, not \"s,d\""},
        {"IDS_NEXT = &Weiter bis zum allerletzten Ende\n", "de", "de", 1, "may not fit its control"},
        {"IDS_NEXT = &Weiter\n", "de_DE", nullptr, 2, "needs lang"},
        {"IDS_NEXT\n", "nl", nullptr, 2, "line 1 has no \"ID = text\""},
        {"", "nl", "de xx", 2, "\"xx\", which kxpack has no translation of"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string name = "t" + std::to_string(n++) + ".txt";
        WriteText(dir.File(name), c.file);
        std::string script = "<install><app-name>A</app-name><terms>T</terms>";
        if (c.languages)
            script += std::string("<languages>") + c.languages + "</languages>";
        script += std::string("<translation lang=\"") + c.lang + "\" src=\"" + name + "\"/></install>";
        WriteText(dir.File("setup.xml"), script);
        // 2: errors; 1: warnings (the script's own one too: it registers
        // no uninstaller), with --strict.
        const KxPackResult r = RunKxPack({"check", "--strict", dir.File("setup.xml")});
        EXPECT_EQ(c.code, r.code) << c.file << r.err;
        EXPECT_NE(std::string::npos, r.err.find(c.expect)) << c.file << ": " << r.err;
    }
    // The built-in translations alone: nothing to report.
    WriteText(dir.File("setup.xml"), "<install><app-name>A</app-name><terms>T</terms></install>");
    const KxPackResult clean = RunKxPack({"check", "--strict", dir.File("setup.xml")});
    EXPECT_EQ(std::string::npos, clean.err.find("translation")) << clean.err;
}
