// The build-time variables applied to a script's XML text and to the
// hand-written uninstall log it names: each ${NAME} becomes its value,
// written as XML where it stands, before anything reads the text.
#pragma once

#include <string>

#include "BuildVariables.h"
#include "PackItem.h"
#include "ScriptPlaces.h"
#include "ScriptReport.h"
#include "SmallString.h"

// ${NAME} replaced in text's attribute values (in double quotes), element
// texts and CDATA sections; names, comments and processing instructions
// stay as written. A value goes in with '&', '<', '>' and '"' escaped (in
// CDATA, "]]>" split), so the text keeps its elements and attributes. A
// name no variable has and a "${" that starts none are reported at their
// places (of text) and stay as written. edits: where the values went.
CSmallString ReplaceVariables(const CSmallString& text, const CBuildVariables& variables, const CScriptPlaces& places,
                              CScriptReport& report, CTextEdits& edits);

// The uninstall log an item holds, as written, once its variables are replaced.
struct SReplacedLog
{
    int nItem = -1; // -1: no log was changed
    std::string strFile;
    CSmallString strWritten;
    CTextEdits edits;
};

// The log that packed (the script as packed) names by its id, unless kxpack
// generated it, with its variables replaced: the item becomes the new text.
void ReplaceLogVariables(const CSmallString& packed, CPackItemList& items, const CBuildVariables& variables,
                         CScriptReport& report, SReplacedLog& log);
