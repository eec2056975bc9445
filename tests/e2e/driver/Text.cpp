#include "Text.h"

#include <cstdio>
#include <cstdlib>
#include <regex>

namespace Text {

std::vector<std::string> SplitArguments(const std::string& line)
{
    std::vector<std::string> args;
    std::string current;
    bool inQuotes = false, haveArg = false;
    for (size_t i = 0; i < line.size(); i++) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size() && line[i + 1] == '"') {
            current += '"';
            haveArg = true;
            i++;
        } else if (c == '"') {
            inQuotes = !inQuotes;
            haveArg = true;
        } else if (!inQuotes && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (haveArg)
                args.push_back(current);
            current.clear();
            haveArg = false;
        } else {
            current += c;
            haveArg = true;
        }
    }
    if (haveArg)
        args.push_back(current);
    return args;
}

bool Matches(const std::string& text, const std::string& pattern)
{
    if (pattern.size() >= 2 && pattern.front() == '/' && pattern.back() == '/')
        return std::regex_search(text, std::regex(pattern.substr(1, pattern.size() - 2)));
    return text.find(pattern) != std::string::npos;
}

std::string OneLine(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\0':
            out += "\\0";
            break;
        default:
            if ((unsigned char)c < 0x20 || c == 0x7f) {
                char escape[8];
                std::snprintf(escape, sizeof(escape), "\\x%02x", (unsigned)(unsigned char)c);
                out += escape;
            } else {
                out += c;
            }
        }
    }
    return out;
}

bool ParseNumber(const std::string& text, long& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 0);
    return *end == '\0';
}

} // namespace Text
