// Command-line texts of a script, what ExpandCommandText makes of them with
// the values below, and the arguments a program must receive. The core
// test checks the expansion and reads the lines back with the portable
// parser; the engine's test under Wine reads the same lines with the
// system's CommandLineToArgvW.
#pragma once

#include <cstring>

#include "CommandText.h"

struct SCommandTextCase
{
    bool bApostrophes; // run-command's parameters
    const char* pszText;
    const char* pszLine;
    const char* pszArguments; // separated by |
};

// The values the cases refer to; any other name is unknown.
class CCommandTextCaseVariables : public CCommandVariablesABC
{
public:
    bool Find(const CSmallString& name, CSmallString& value) override
    {
        static const char* const s_aValues[][2] = {
            {"APP", R"(C:\Games\Kids' Games\Hello\)"},
            {"SPACE", R"(C:\Program Files\Mini\)"},
            {"PLAIN", R"(C:\Tools)"},
            {"APOS", R"(Kids')"},
            {"QUOTE", R"(say "hi")"},
            {"TRAIL", R"(a b\\)"},
            {"BSQ", R"(x\"y)"},
            {"TAB", "a\tb"},
            {"UNC", R"(\\server\share\)"},
            {"EMPTY", ""},
        };
        for (const auto& pair : s_aValues) {
            if (!strcmp(name, pair[0])) {
                value = pair[1];
                return true;
            }
        }
        return false;
    }
};

const SCommandTextCase g_aCommandTextCases[] = {
    // Plain text stays as written.
    {true, R"(/c echo hi)", R"(/c echo hi)", R"(/c|echo|hi)"},
    {false, R"("a\"b" c\d)", R"("a\"b" c\d)", R"(a"b|c\d)"},
    // Apostrophes: the script's are quotes, a value's are text.
    {true, R"(del /q '%APP%cache')", R"(del /q "C:\Games\Kids' Games\Hello\cache")",
     R"(del|/q|C:\Games\Kids' Games\Hello\cache)"},
    {true, R"(%APOS% '%APOS%')", R"(Kids' "Kids'")", R"(Kids'|Kids')"},
    {false, R"("%APP%hello.exe" it's)", R"("C:\Games\Kids' Games\Hello\hello.exe" it's)",
     R"(C:\Games\Kids' Games\Hello\hello.exe|it's)"},
    {true, R"(\'a b\' x)", R"("a b" x)", R"(a b|x)"},
    // Blanks: a value outside quotes is quoted to the end of its argument.
    {true, R"(%APP%)", R"("C:\Games\Kids' Games\Hello\\")", R"(C:\Games\Kids' Games\Hello\)"},
    {false, R"(%SPACE%\hello.exe --marker x)", R"("C:\Program Files\Mini\hello.exe" --marker x)",
     R"(C:\Program Files\Mini\hello.exe|--marker|x)"},
    {false, R"(--dir=%SPACE% next)", R"(--dir="C:\Program Files\Mini\\" next)", R"(--dir=C:\Program Files\Mini\|next)"},
    {true, R"(%APP%%SPACE% z)", R"("C:\Games\Kids' Games\Hello\C:\Program Files\Mini\\" z)",
     R"(C:\Games\Kids' Games\Hello\C:\Program Files\Mini\|z)"},
    {true, "%TAB% x", "\"a\tb\" x", "a\tb|x"},
    {true, R"(%PLAIN%\bin %PLAIN%)", R"(C:\Tools\bin C:\Tools)", R"(C:\Tools\bin|C:\Tools)"},
    // Backslashes before a closing quote are doubled, the script's or the value's.
    {true, R"('%APP%')", R"("C:\Games\Kids' Games\Hello\\")", R"(C:\Games\Kids' Games\Hello\)"},
    {true, R"('%APP%\')", R"("C:\Games\Kids' Games\Hello\\")", R"(C:\Games\Kids' Games\Hello\)"},
    {true, R"(\'%SPACE%\')", R"("C:\Program Files\Mini\\")", R"(C:\Program Files\Mini\)"},
    {true, R"('%TRAIL%' %TRAIL%)", R"("a b\\\\" "a b\\\\")", R"(a b\\|a b\\)"},
    {false, R"(%UNC%"x y")", R"(\\server\share\\"x y")", R"(\\server\share\x y)"},
    // Quotes in values are escaped.
    {true, R"('%QUOTE%' %QUOTE%)", R"("say \"hi\"" "say \"hi\"")", R"(say "hi"|say "hi")"},
    {true, R"(x%QUOTE%y)", R"(x"say \"hi\"y")", R"(xsay "hi"y)"},
    {true, R"(%BSQ% '%BSQ%')", R"("x\\\"y" "x\\\"y")", R"(x\"y|x\"y)"},
    {false, R"(%SPACE%%QUOTE%)", R"("C:\Program Files\Mini\say \"hi\"")", R"(C:\Program Files\Mini\say "hi")"},
    // Quotes of the script's beside a value's.
    {false, R"("x"%SPACE%)", R"("xC:\Program Files\Mini\\")", R"(xC:\Program Files\Mini\)"},
    {false, R"(""%SPACE%)", R"("C:\Program Files\Mini\\")", R"(C:\Program Files\Mini\)"},
    {false, R"("""%SPACE%)", R"(""""C:\Program Files\Mini\\")", R"("C:\Program Files\Mini\)"},
    {false, R"(%SPACE%"y z")", R"("C:\Program Files\Mini\y z")", R"(C:\Program Files\Mini\y z)"},
    // %% and unknown names stay; an unknown name's closing % may open a reference.
    {true, R"(100%% %NOPE% %APP)", R"(100%% %NOPE% %APP)", R"(100%%|%NOPE%|%APP)"},
    {true, R"(50% of '%PLAIN%')", R"(50% of "C:\Tools")", R"(50%|of|C:\Tools)"},
    {true, R"(%NOPE%APP%)", R"(%NOPE"C:\Games\Kids' Games\Hello\\")", R"(%NOPEC:\Games\Kids' Games\Hello\)"},
    // Network paths: a value's backslashes are never folded; the script's
    // leading pair stays.
    {true, R"('%UNC%file' %UNC%\\file)", R"("\\server\share\file" \\server\share\file)",
     R"(\\server\share\file|\\server\share\file)"},
    {true, R"(\\server\share\\x %PLAIN%)", R"(\\server\share\x C:\Tools)", R"(\\server\share\x|C:\Tools)"},
    // Empty values.
    {true, R"(a '%EMPTY%' %EMPTY% b)", R"(a ""  b)", R"(a||b)"},
    {true, R"('C:\%EMPTY%')", R"("C:\\")", R"(C:\)"},
};
