#include "ShortcutName.h"

#include "Platform.h"
#include "ScriptVocabulary.h"
#include "ScriptWords.h"
#include "WinPath.h"

namespace {

// The folders whose shortcuts users look through by sub-folder.
bool TakesSubFolders(const char* folderName)
{
    const char* known = FindShortcutFolder(folderName);
    static const char* const s_menus[] = {ShortcutFolder::Programs, ShortcutFolder::StartMenu,
                                          ShortcutFolder::CommonPrograms, ShortcutFolder::CommonStartMenu};
    for (const char* menu : s_menus)
        if (known && Mb::ICmp(known, menu) == 0)
            return true;
    return false;
}

} // namespace

const char* WhyNotShortcutName(const char* folderName, const CSmallString& name, CSmallString* subFolder,
                               CSmallString* leaf)
{
    const int cut = name.Find(CSmallString("\\"));
    const CSmallString sub = cut < 0 ? CSmallString() : name.Mid(0, cut);
    const CSmallString rest = cut < 0 ? name : name.Mid(cut + 1, name.GetLength());
    if (subFolder)
        *subFolder = sub;
    if (leaf)
        *leaf = rest;
    for (int i = 0; i < name.GetLength(); i++)
        if (name.GetAt(i) == '/' || name.GetAt(i) == ':')
            return "a shortcut's name holds no drive and no /: write a name, or in Programs and Start Menu a "
                   "sub-folder and a name with a backslash (Vendor\\App)";
    if (cut < 0)
        return WinPath::WhyNotPlainName(name);
    if (rest.Find(CSmallString("\\")) >= 0)
        return "a shortcut goes one sub-folder deep at most (Vendor\\App)";
    if (const char* why = WinPath::WhyNotPlainName(sub))
        return why;
    if (const char* why = WinPath::WhyNotPlainName(rest))
        return why;
    if (!TakesSubFolders(folderName))
        return "only shortcuts in Programs and Start Menu (and Common Programs, Common Start Menu) go into a "
               "sub-folder: write the name alone";
    return nullptr;
}
