#include "ManifestLevel.h"

#include <cstring>
#include <string>
#include <utility>

namespace {

const char kElement[] = "requestedExecutionLevel";
const char kAttribute[] = "level";

const char kBlanks[] = " \t\r\n";

// The [first, last) span of each level attribute, quotes included, found
// in the start tags of the text's requestedExecutionLevel elements.
class CLevelFinder
{
public:
    explicit CLevelFinder(const std::string& text) : m_text(text) {}

    // Null, or why the text can't be read that far.
    const char* Find(std::vector<std::pair<size_t, size_t>>& spans)
    {
        for (size_t at = m_text.find('<'); at != std::string::npos; at = m_text.find('<', at)) {
            // Comments, CDATA and processing instructions may hold anything.
            if (const char* end = Skipped(at)) {
                at = m_text.find(end, at);
                if (at == std::string::npos)
                    return "its manifest is cut short";
                continue;
            }
            const size_t nameEnd = m_text.find_first_of(" \t\r\n/>", ++at);
            const std::string name = m_text.substr(at, nameEnd - at);
            const size_t colon = name.find(':'); // a namespace prefix
            if (name.compare(colon == std::string::npos ? 0 : colon + 1, std::string::npos, kElement) != 0)
                continue;
            if (const char* why = ReadLevel(nameEnd, spans))
                return why;
        }
        return nullptr;
    }

private:
    // The end of the markup at at that is no tag, or null for a tag.
    const char* Skipped(size_t at) const
    {
        if (!m_text.compare(at, 4, "<!--"))
            return "-->";
        if (!m_text.compare(at, 9, "<![CDATA["))
            return "]]>";
        if (!m_text.compare(at, 2, "<?"))
            return "?>";
        return nullptr;
    }

    // The attributes of the start tag that goes on at at.
    const char* ReadLevel(size_t at, std::vector<std::pair<size_t, size_t>>& spans) const
    {
        const char* broken = "its manifest's requestedExecutionLevel is not well-formed XML";
        for (;;) {
            at = m_text.find_first_not_of(kBlanks, at);
            if (at == std::string::npos)
                return broken;
            if (m_text[at] == '/' || m_text[at] == '>')
                return nullptr;
            const size_t start = at;
            at = m_text.find_first_of(" \t\r\n=/>", at);
            const std::string name = m_text.substr(start, at - start);
            at = m_text.find_first_not_of(kBlanks, at);
            if (at == std::string::npos || m_text[at] != '=')
                return broken;
            at = m_text.find_first_not_of(kBlanks, at + 1);
            if (at == std::string::npos || (m_text[at] != '"' && m_text[at] != '\''))
                return broken;
            at = m_text.find(m_text[at], at + 1);
            if (at == std::string::npos)
                return broken;
            at++;
            if (name == kAttribute)
                spans.emplace_back(start, at);
        }
    }

    const std::string& m_text;
};

} // namespace

const char* RequestExecutionLevel(std::vector<unsigned char>& manifest, const char* level)
{
    std::string text(manifest.begin(), manifest.end());
    std::vector<std::pair<size_t, size_t>> spans;
    if (const char* why = CLevelFinder(text).Find(spans))
        return why;
    if (spans.empty())
        return "its manifest has no requestedExecutionLevel with a level";
    const std::string attribute = std::string(kAttribute) + "=\"" + level + "\"";
    const size_t shortest = strlen(kAttribute) + 2 + strlen(kAsInvoker) + 1;
    for (const auto& span : spans) {
        const size_t length = span.second - span.first;
        // Every level Windows knows is at least as long as asInvoker.
        if (length < shortest)
            return "its manifest requests an execution level Windows doesn't know";
        size_t room = length;
        if (attribute.size() > length) {
            const size_t next = text.find_first_not_of(kBlanks, span.second);
            const bool ends = next == std::string::npos || text[next] == '/' || text[next] == '>';
            room = (next == std::string::npos ? text.size() : next) - span.first - (ends ? 0 : 1);
            if (attribute.size() > room)
                return "its manifest has no room in its requestedExecutionLevel tag for a longer level";
            room = attribute.size();
        }
        text.replace(span.first, room, attribute + std::string(room - attribute.size(), ' '));
    }
    manifest.assign(text.begin(), text.end());
    return nullptr;
}

bool AsksAsInvoker(const std::vector<unsigned char>& manifest)
{
    const std::string text(manifest.begin(), manifest.end());
    std::vector<std::pair<size_t, size_t>> spans;
    CLevelFinder(text).Find(spans);
    for (const auto& span : spans) {
        const size_t quote = text.find_first_of("\"'", span.first);
        if (text.compare(quote + 1, span.second - quote - 2, kAsInvoker) == 0)
            return true;
    }
    return false;
}
