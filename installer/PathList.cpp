#include "PathList.h"

#include "Platform.h"
#include "ScriptWords.h"

namespace {

// The folder an entry names, as compared.
CSmallString Folder(const char* begin, const char* end)
{
    while (begin < end && (*begin == ' ' || *begin == '"'))
        begin++;
    while (end > begin && (end[-1] == ' ' || end[-1] == '"'))
        end--;
    while (end - begin > 1 && (end[-1] == '\\' || end[-1] == '/') && !(end - begin == 3 && begin[1] == ':'))
        end--;
    return CSmallString(begin, (int)(end - begin));
}

bool Same(const CSmallString& a, const CSmallString& b) { return !a.IsEmpty() && Mb::ICmp(a, b) == 0; }

// The first entry of list that is folder: its start and end offsets.
bool FindEntry(const CSmallString& list, const CSmallString& folder, int& start, int& end)
{
    const CSmallString wanted = Folder(folder.GetText(), folder.GetText() + folder.GetLength());
    const char* text = list.GetText();
    for (int at = 0; at <= list.GetLength();) {
        int stop = at;
        while (stop < list.GetLength() && text[stop] != ';')
            stop++;
        if (Same(Folder(text + at, text + stop), wanted)) {
            start = at;
            end = stop;
            return true;
        }
        at = stop + 1;
    }
    return false;
}

} // namespace

bool PathListHas(const CSmallString& list, const CSmallString& folder)
{
    int start = 0, end = 0;
    return FindEntry(list, folder, start, end);
}

CSmallString PathListAdd(const CSmallString& list, const CSmallString& folder, bool atStart)
{
    if (list.IsEmpty())
        return folder;
    if (atStart)
        return folder + ";" + list;
    return list.GetAt(list.GetLength() - 1) == ';' ? list + folder : list + ";" + folder;
}

CSmallString PathListRemove(const CSmallString& list, const CSmallString& folder, bool& removed)
{
    int start = 0, end = 0;
    removed = FindEntry(list, folder, start, end);
    if (!removed)
        return list;
    // The separator after the entry, else the one before it.
    if (end < list.GetLength())
        end++;
    else if (start > 0)
        start--;
    return list.Mid(0, start) + list.Mid(end, list.GetLength());
}

const char kMachineEnvironmentKey[] =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char kUserEnvironmentKey[] = "HKEY_CURRENT_USER\\Environment";

bool ParsePathPlace(const char* scope, const char* position, bool perUser, bool& machine, bool& atStart,
                    CSmallString& why)
{
    CSmallString scopeWord(scope ? scope : ""), positionWord(position ? position : "");
    scopeWord.TrimBoth();
    positionWord.TrimBoth();
    machine = !perUser;
    atStart = false;
    if (Mb::ICmp(scopeWord, PathWord::Machine) == 0)
        machine = true;
    else if (Mb::ICmp(scopeWord, PathWord::User) == 0)
        machine = false;
    else if (!scopeWord.IsEmpty()) {
        why.Format("scope \"%s\" is neither %s nor %s", scopeWord.GetText(), PathWord::User, PathWord::Machine);
        return false;
    }
    if (Mb::ICmp(positionWord, PathWord::Start) == 0)
        atStart = true;
    else if (!positionWord.IsEmpty() && Mb::ICmp(positionWord, PathWord::End) != 0) {
        why.Format("position \"%s\" is neither %s nor %s", positionWord.GetText(), PathWord::Start, PathWord::End);
        return false;
    }
    return true;
}
