#include "VariableText.h"

namespace {

bool IsNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.';
}

} // namespace

bool IsVariableName(const char* name)
{
    const char* p = name;
    while (IsNameChar(*p))
        p++;
    return p != name && *p == 0;
}

std::vector<SVariablePiece> SplitVariables(const char* text, size_t length)
{
    std::vector<SVariablePiece> pieces;
    size_t plain = 0; // where the plain text not yet added starts
    const auto add = [&](SVariablePiece::EKind kind, size_t start, size_t end, std::string name) {
        if (start > plain)
            pieces.push_back(SVariablePiece{SVariablePiece::Plain, plain, start - plain, std::string()});
        pieces.push_back(SVariablePiece{kind, start, end - start, std::move(name)});
        plain = end;
    };
    size_t i = 0;
    while (i + 1 < length) {
        if (text[i] != '$') {
            i++;
        } else if (text[i + 1] == '$' && i + 2 < length && text[i + 2] == '{') {
            add(SVariablePiece::Escape, i, i + 3, std::string());
            i += 3;
        } else if (text[i + 1] == '{') {
            size_t end = i + 2;
            while (end < length && IsNameChar(text[end]))
                end++;
            if (end > i + 2 && end < length && text[end] == '}') {
                add(SVariablePiece::Reference, i, end + 1, std::string(text + i + 2, end - i - 2));
                i = end + 1;
            } else {
                add(SVariablePiece::Broken, i, i + 2, std::string());
                i += 2;
            }
        } else {
            i++;
        }
    }
    if (length > plain)
        pieces.push_back(SVariablePiece{SVariablePiece::Plain, plain, length - plain, std::string()});
    return pieces;
}

const char* BrokenVariableAdvice()
{
    return "\"${\" starts a build-time variable: write ${NAME} (letters, digits, _, - and .), or $${ for a "
           "literal ${";
}
