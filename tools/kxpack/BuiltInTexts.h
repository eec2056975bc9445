// The installer's texts as kxpack knows them, generated at build time from
// the stub's resources and the translations in languages/.
#pragma once

// Every text a translation may give: its name in translation files, its
// string-table id and its English text.
struct STextId
{
    const char* pszName;
    unsigned uId;
    const char* pszEnglish;
};
extern const STextId g_aTextIds[];
extern const unsigned g_nTextIds;

// The translations kxpack carries: a language code and its file's text.
struct SBuiltInLanguage
{
    const char* pszCode;
    const char* pszText;
};
extern const SBuiltInLanguage g_aBuiltInLanguages[];
extern const unsigned g_nBuiltInLanguages;
