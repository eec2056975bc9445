// Byte-wise: a separator byte never occurs inside a UTF-8 character, which
// is the code page the program runs in.
#include "WinPath.h"

#include <cstring>

#include "Platform.h"

namespace WinPath {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char Upper(char c) { return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c; }

// Windows compares names case-blind in every script, not just ASCII.
bool SameNoCase(const char* a, const char* b, int n) { return n <= 0 || Mb::NbICmp(a, b, (size_t)n) == 0; }

// Where the names of p start, with the root written to root; -1 when p has
// no root of its own.
int SplitRoot(const char* p, int length, CSmallString& root)
{
    int i = 0;
    bool unc = false;
    if (length >= 4 && IsSeparator(p[0]) && IsSeparator(p[1]) && (p[2] == '?' || p[2] == '.') && IsSeparator(p[3])) {
        if (p[2] == '.')
            return -1; // a device, not a file-system path
        i = 4;
        // \\?\UNC\server\share is an ordinary UNC path.
        unc = length - i >= 4 && SameNoCase(p + i, "UNC", 3) && IsSeparator(p[i + 3]);
        if (unc)
            i += 4;
    } else if (length >= 2 && IsSeparator(p[0]) && IsSeparator(p[1])) {
        unc = true;
        i = 2;
    }
    if (!unc) {
        if (length - i < 3 || !IsLetter(p[i]) || p[i + 1] != ':' || !IsSeparator(p[i + 2]))
            return -1; // relative, drive-relative or from the current drive's root
        root = CSmallString(p + i, 3);
        root.SetAt(0, Upper(p[i]));
        root.SetAt(2, '\\');
        return i + 3;
    }
    // \\server\share: both names required.
    root = "\\\\";
    for (int part = 0; part < 2; part++) {
        while (i < length && IsSeparator(p[i]))
            i++;
        const int begin = i;
        while (i < length && !IsSeparator(p[i]))
            i++;
        if (i == begin)
            return -1;
        if (part)
            root += '\\';
        root += CSmallString(p + begin, i - begin);
    }
    return i;
}

// Whether base (without extension) names a device: CON, PRN, AUX, NUL,
// COM0-9, LPT0-9, CONIN$, CONOUT$, and COM and LPT with a superscript 1, 2
// or 3 (in UTF-8), which Windows takes for the digits.
bool IsDeviceBase(const char* base, int n)
{
    // The system ignores blanks before the extension ("NUL .txt").
    while (n > 0 && base[n - 1] == ' ')
        n--;
    static const char* const s_fixed[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* fixed : s_fixed)
        if ((int)strlen(fixed) == n && SameNoCase(base, fixed, n))
            return true;
    if (n < 4 || !(SameNoCase(base, "COM", 3) || SameNoCase(base, "LPT", 3)))
        return false;
    const unsigned char* port = reinterpret_cast<const unsigned char*>(base) + 3;
    if (n == 4)
        return port[0] >= '0' && port[0] <= '9';
    return n == 5 && port[0] == 0xC2 && (port[1] == 0xB9 || port[1] == 0xB2 || port[1] == 0xB3);
}

} // namespace

CSmallString Normalise(const char* path, int length)
{
    CSmallString root;
    if (!path || length <= 0 || (int)strnlen(path, (size_t)length) != length)
        return CSmallString();
    const int start = SplitRoot(path, length, root);
    if (start < 0)
        return CSmallString();

    // Names kept so far, as (offset, length) into the result behind the root.
    CSmallString result = root;
    int names = 0;
    int i = start;
    while (i < length) {
        while (i < length && IsSeparator(path[i]))
            i++;
        const int begin = i;
        while (i < length && !IsSeparator(path[i]))
            i++;
        int n = i - begin;
        if (n == 0)
            break;
        const char* name = path + begin;
        if (n == 1 && name[0] == '.')
            continue;
        if (n == 2 && name[0] == '.' && name[1] == '.') {
            if (names > 0) {
                // Drop the last name and its separator.
                int cut = result.GetLength();
                while (cut > root.GetLength() && result.GetAt(cut - 1) != '\\')
                    cut--;
                if (cut - 1 >= root.GetLength())
                    cut--; // the separator before it, unless it is the root's own
                result = result.Mid(0, cut);
                names--;
            }
            continue;
        }
        // "name. . " is "name" to the system; a name of dots only is "..".
        while (n > 0 && (name[n - 1] == '.' || name[n - 1] == ' '))
            n--;
        if (n == 0)
            continue;
        if (result.GetLength() > root.GetLength() || root.GetAt(root.GetLength() - 1) != '\\')
            result += '\\';
        result += CSmallString(name, n);
        names++;
    }
    return result;
}

int RootLength(const CSmallString& normalised)
{
    if (normalised.GetLength() >= 3 && normalised.GetAt(1) == ':')
        return 3;
    if (normalised.GetLength() < 2 || normalised.GetAt(0) != '\\')
        return 0;
    int separators = 0, i = 2;
    for (; i < normalised.GetLength(); i++)
        if (normalised.GetAt(i) == '\\' && ++separators == 2)
            break;
    return i;
}

bool IsSameOrInside(const CSmallString& inner, const CSmallString& outer)
{
    const int n = outer.GetLength();
    if (n == 0 || inner.GetLength() < n || !SameNoCase(inner.GetText(), outer.GetText(), n))
        return false;
    // "C:\" ends in its separator; any other outer must end at a name.
    return inner.GetLength() == n || outer.GetAt(n - 1) == '\\' || inner.GetAt(n) == '\\';
}

const char* WhyNotPlainName(const char* name, int length)
{
    if (!name || length <= 0)
        return "the name is empty";
    if ((int)strnlen(name, (size_t)length) != length)
        return "the name contains a NUL character";
    if (length > 255)
        return "the name is longer than 255 bytes";
    for (int i = 0; i < length; i++) {
        const unsigned char c = (unsigned char)name[i];
        if (c == '\\' || c == '/' || c == ':')
            return "the name contains a path separator or a drive (\\ / :): put folders in the destination instead";
        if (c < 0x20 || strchr("<>\"|?*", c))
            return "the name contains a character Windows does not allow in file names (< > \" | ? * or a control "
                   "character)";
    }
    if ((length == 1 && name[0] == '.') || (length == 2 && name[0] == '.' && name[1] == '.'))
        return "the name is \".\" or \"..\", which names a folder, not a file";
    // Before the trailing dots and blanks: "COM1. " is the device as well.
    const char* dot = static_cast<const char*>(memchr(name, '.', (size_t)length));
    if (IsDeviceBase(name, dot ? (int)(dot - name) : length))
        return "the name is a device name (CON, PRN, AUX, NUL, COM or LPT with a digit or a superscript 1, 2 or 3), "
               "with or without an extension";
    if (name[length - 1] == '.' || name[length - 1] == ' ')
        return "the name ends with a dot or a blank, which Windows drops";
    return nullptr;
}

CSmallString AddAppFolder(const CSmallString& picked, const CSmallString& defaultPath, bool pickedIsEmptyFolder)
{
    const auto lastName = [](const CSmallString& path, int& start) {
        int end = path.GetLength();
        while (end > 0 && IsSeparator(path.GetAt(end - 1)))
            end--;
        start = end;
        while (start > 0 && !IsSeparator(path.GetAt(start - 1)) && path.GetAt(start - 1) != ':' &&
               path.GetAt(start - 1) != '%')
            start--;
        return end - start;
    };
    int nameStart = 0, pickedStart = 0;
    const int nameLength = lastName(defaultPath, nameStart);
    const int pickedLength = lastName(picked, pickedStart);
    if (nameLength == 0 || picked.IsEmpty() || pickedIsEmptyFolder)
        return picked;
    const CSmallString name = defaultPath.Mid(nameStart, nameLength);
    if (pickedLength == nameLength && SameNoCase(picked.GetText() + pickedStart, name, nameLength))
        return picked;
    CSmallString result = picked;
    if (!IsSeparator(picked.GetAt(picked.GetLength() - 1)))
        result += "\\";
    return result + name;
}

const char* GetFilename(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; p++)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    return name;
}

void RemoveFilename(const char* source, char* destination)
{
    const char* name = GetFilename(source);
    const size_t len = (size_t)(name - source);
    memmove(destination, source, len);
    destination[len] = 0;
}

void EndWithBackslash(CSmallString& path)
{
    const int len = path.GetLength();
    if (len && path.GetAt(len - 1) != '\\')
        path += '\\';
}

} // namespace WinPath

