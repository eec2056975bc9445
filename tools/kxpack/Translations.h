// The languages an installer carries: the built-in translations that the
// script's <languages> keeps (all by default) and the publisher's
// <translation lang="..." src="..."/> files, which add a language or
// replace any of its texts. Each becomes a <texts lang="..."> of the packed
// section; the stub speaks the one that serves its user.
#pragma once

#include <string>
#include <vector>

#include "ScriptPlaces.h"
#include "ScriptReport.h"

class CXMLNode;

// Whether the packed script gets any <texts>: false for <languages/> with
// no <translation>.
bool WantsTranslations(const CXMLNode* install);

// install is the written section (children indexed as places knows them),
// section the packed one. Reports unknown ids, texts whose format
// conversions differ from the English, texts missing from a language, and
// buttons and labels a text is estimated not to fit.
void AddTranslations(const CXMLNode* install, const std::string& scriptFolder, CXMLNode* section,
                     CScriptReport& report, const CScriptPlaces& places, std::vector<std::string>& inputs);

// A language's texts as a translation file, for publishers to start from:
// "en" gives the English, a built-in code its translation. False for a
// code kxpack does not carry.
bool WriteTranslationTemplate(const char* code, std::string& text);
