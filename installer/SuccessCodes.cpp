#include "SuccessCodes.h"

#include "Platform.h"
#include "ScriptWords.h"

namespace {

bool IsBetween(char c) { return c == ',' || c == ' ' || c == '\t'; }

// One whole number of 32 bits, decimal or hex after 0x.
bool ParseCode(const CSmallString& token, unsigned long& code)
{
    const char* p = token.GetText();
    const bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    if (hex)
        p += 2;
    unsigned long long value = 0;
    if (!*p)
        return false;
    for (; *p; p++) {
        const char c = *p;
        const int digit = c >= '0' && c <= '9'          ? c - '0'
                          : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                        : -1;
        value = value * (hex ? 16 : 10) + (unsigned)digit;
        if (digit < 0 || value > 0xFFFFFFFFull)
            return false;
    }
    code = (unsigned long)value;
    return true;
}

} // namespace

bool ParseSuccessCodes(const char* text, Container::CArray<unsigned long>& codes, CSmallString& why)
{
    const CSmallString how = CSmallString("write ") + kNonZero + ", or the exit codes that mean success, \"0, 3010\"";
    const char* kHow = how.GetText();
    codes.RemoveAll();
    CSmallString word(text ? text : "");
    word.TrimBoth();
    if (Mb::ICmp(word, kNonZero) == 0 || Mb::ICmp(word, YesNo::Yes) == 0) {
        codes.Add(0);
        return true;
    }
    for (const char* p = word.GetText(); *p;) {
        if (IsBetween(*p)) {
            p++;
            continue;
        }
        const char* end = p;
        while (*end && !IsBetween(*end))
            end++;
        const CSmallString token(p, (int)(end - p));
        unsigned long code = 0;
        if (!ParseCode(token, code)) {
            why.Format("\"%s\" is not an exit code: %s", token.GetText(), kHow);
            return false;
        }
        codes.Add(code);
        p = end;
    }
    if (codes.IsEmpty()) {
        why.Format("no exit code is given: %s", kHow);
        return false;
    }
    return true;
}

bool IsSuccessCode(const Container::CArray<unsigned long>& codes, unsigned long code)
{
    for (unsigned i = 0; i < codes.GetSize(); i++)
        if (codes[i] == code)
            return true;
    return false;
}
