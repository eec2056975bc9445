#include "RegistryKeyPath.h"

#include <cstring>

#include "Containers.h"
#include "Platform.h"

namespace RegistryKeyPath {

namespace {

const struct
{
    const char* pszName;
    ERoot eRoot;
} g_arrRoots[] = {{"HKEY_LOCAL_MACHINE", LocalMachine}, {"HKEY_CURRENT_USER", CurrentUser}};


bool SameNoCase(const char* a, int na, const char* b)
{
    const int nb = (int)strlen(b);
    if (na != nb)
        return false;
    return na == 0 || Mb::NbICmp(a, b, (size_t)na) == 0;
}

struct SName
{
    const char* p;
    int n;
    bool Is(const char* text) const { return SameNoCase(p, n, text); }
};

void Split(const CSmallString& subkey, Container::CArray<SName>& names)
{
    const char* p = subkey.GetText();
    while (*p) {
        const char* end = strchr(p, '\\');
        const int n = end ? (int)(end - p) : (int)strlen(p);
        names.Add(SName{p, n});
        p += n;
        if (*p)
            p++;
    }
}

// text starts with name (any case) followed by its end or a backslash;
// rest is what follows the backslash.
bool StartsWithRoot(const char* text, const char* name, const char*& rest)
{
    const size_t len = strlen(name);
    if (!SameNoCase(text, (int)strnlen(text, len), name) || (text[len] && text[len] != '\\'))
        return false;
    rest = text + len + (text[len] != 0);
    return true;
}

// Where Classify found the entry: its name, and the key up to it, taken
// from that place (the name may also occur earlier in the path).
struct SEntryOut
{
    const CSmallString& subkey;
    CSmallString* entry;
    CSmallString* entryKey;

    void Take(const SName& name) const
    {
        if (entry)
            *entry = CSmallString(name.p, name.n);
        if (entryKey)
            *entryKey = subkey.Mid(0, (int)(name.p - subkey.GetText()) + name.n);
    }
};

// names[from...] as found under Software\Classes.
EKind ClassifyClasses(const Container::CArray<SName>& names, unsigned from, const SEntryOut& out)
{
    if (from < names.GetSize() && names[from].Is("Wow6432Node"))
        from++;
    if (from >= names.GetSize())
        return SharedKey;
    static const char* const s_com[] = {"CLSID", "Interface", "TypeLib", "AppID"};
    for (const char* com : s_com) {
        if (!names[from].Is(com))
            continue;
        if (from + 1 >= names.GetSize())
            return SharedKey;
        out.Take(names[from + 1]);
        return ComEntry;
    }
    // Containers that hold many programs' verbs and handlers.
    static const char* const s_shared[] = {"*",    "Directory", "Drive",     "Folder",        "AllFilesystemObjects",
                                           "MIME", "Installer", "SystemFileAssociations", "Local Settings"};
    for (const char* shared : s_shared)
        if (names[from].Is(shared))
            return SharedKey;
    // Applications\<program.exe> is one program's own.
    if (names[from].Is("Applications") && ++from >= names.GetSize())
        return SharedKey;
    out.Take(names[from]);
    return ClassesEntry;
}

} // namespace

bool Parse(const char* text, SKey& key)
{
    key = SKey();
    if (!text)
        return false;
    const char* rest = nullptr;
    for (const auto& root : g_arrRoots) {
        if (!StartsWithRoot(text, root.pszName, rest))
            continue;
        key.eRoot = root.eRoot;
        // Join the names with single separators.
        for (const char* p = rest; *p;) {
            while (*p == '\\')
                p++;
            const char* end = p;
            while (*end && *end != '\\')
                end++;
            if (end > p) {
                if (!key.strSubKey.IsEmpty())
                    key.strSubKey += '\\';
                key.strSubKey += CSmallString(p, (int)(end - p));
            }
            p = end;
        }
        return true;
    }
    return false;
}

bool ParseOtherSpelling(const char* text, SKey& key)
{
    static const struct
    {
        const char* pszName;
        const char* pszFull; // what it stands for, as Parse reads it
    } s_other[] = {{"HKLM", "HKEY_LOCAL_MACHINE"},
                   {"HKCU", "HKEY_CURRENT_USER"},
                   {"HKCR", "HKEY_LOCAL_MACHINE\\Software\\Classes"},
                   {"HKEY_CLASSES_ROOT", "HKEY_LOCAL_MACHINE\\Software\\Classes"}};
    const char* rest = nullptr;
    for (const auto& other : s_other)
        if (text && StartsWithRoot(text, other.pszName, rest))
            return Parse(CSmallString(other.pszFull) + "\\" + rest, key);
    key = SKey();
    return false;
}

bool NamesUnwrittenRoot(const char* text)
{
    static const char* const s_roots[] = {"HKEY_USERS", "HKEY_CURRENT_CONFIG", "HKU", "HKCC"};
    const char* rest = nullptr;
    for (const char* root : s_roots)
        if (text && StartsWithRoot(text, root, rest))
            return true;
    return false;
}

const char* RootName(ERoot root)
{
    for (const auto& known : g_arrRoots)
        if (known.eRoot == root)
            return known.pszName;
    return nullptr;
}

CSmallString Format(const SKey& key)
{
    CSmallString text;
    for (const auto& root : g_arrRoots)
        if (root.eRoot == key.eRoot)
            text = root.pszName;
    if (!key.strSubKey.IsEmpty())
        text += CSmallString("\\") + key.strSubKey;
    return text;
}

bool IsSameOrBelow(const SKey& inner, const SKey& outer)
{
    if (inner.eRoot != outer.eRoot || inner.eRoot == NoRoot)
        return false;
    const int n = outer.strSubKey.GetLength();
    if (n == 0)
        return true;
    if (inner.strSubKey.GetLength() < n)
        return false;
    if (Mb::NbICmp(inner.strSubKey, outer.strSubKey, (size_t)n) != 0)
        return false;
    return inner.strSubKey.GetLength() == n || inner.strSubKey.GetAt(n) == '\\';
}

EKind Classify(const CSmallString& subkey, CSmallString* entry, CSmallString* entryKey)
{
    const SEntryOut out{subkey, entry, entryKey};
    Container::CArray<SName> names;
    Split(subkey, names);
    if (names.IsEmpty())
        return Root;
    if (names.GetSize() == 1)
        return TopLevel;
    // Everything but Software is the system's or the user's settings
    // (System, Control Panel, Environment, Console, ...).
    if (!names[0].Is("Software"))
        return SystemTree;
    unsigned i = 1;
    if (names[i].Is("Wow6432Node")) {
        if (++i >= names.GetSize())
            return SharedKey;
    }
    if (names[i].Is("Policies") || names[i].Is("Wine"))
        return SystemTree;
    if (names[i].Is("Classes"))
        return ClassifyClasses(names, i + 1, out);
    if (!names[i].Is("Microsoft"))
        return Ordinary;
    // Software\Microsoft\Windows\CurrentVersion\{Uninstall,App Paths}\<entry>
    static const char* const s_path[] = {"Windows", "CurrentVersion"};
    unsigned j = i + 1;
    for (const char* name : s_path) {
        if (j >= names.GetSize() || !names[j].Is(name))
            return SharedKey;
        j++;
    }
    if (j + 1 < names.GetSize() && (names[j].Is("Uninstall") || names[j].Is("App Paths"))) {
        out.Take(names[j + 1]);
        return names[j].Is("Uninstall") ? UninstallEntry : AppPathsEntry;
    }
    return SharedKey;
}

CSmallString BelowClasses(const CSmallString& subkey)
{
    Container::CArray<SName> names;
    Split(subkey, names);
    unsigned i = 0;
    if (i < names.GetSize() && names[i].Is("Software"))
        i++;
    else
        return CSmallString();
    if (i < names.GetSize() && names[i].Is("Wow6432Node"))
        i++;
    if (i >= names.GetSize() || !names[i].Is("Classes"))
        return CSmallString();
    if (++i < names.GetSize() && names[i].Is("Wow6432Node"))
        i++;
    if (i >= names.GetSize())
        return CSmallString();
    return CSmallString(names[i].p);
}

bool MapToUserKey(const char* key, CSmallString& mapped)
{
    static const char kMachine[] = "HKEY_LOCAL_MACHINE\\";
    static const char* const s_shared[] = {"Software\\Classes\\", "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\",
                                           "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"};
    const size_t root = sizeof(kMachine) - 1;
    if (!key || Mb::NbICmp(key, kMachine, root) != 0)
        return false;
    for (const char* shared : s_shared)
        if (Mb::NbICmp(key + root, shared, strlen(shared)) == 0) {
            mapped = CSmallString("HKEY_CURRENT_USER\\") + (key + root);
            return true;
        }
    return false;
}

} // namespace RegistryKeyPath
