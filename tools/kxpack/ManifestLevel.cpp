#include "ManifestLevel.h"

#include <string>
#include <utility>

namespace {

const char kElement[] = "requestedExecutionLevel";
const char kAttribute[] = "level";
const char kAsInvoker[] = "level=\"asInvoker\"";

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

const char* RequestAsInvoker(std::vector<unsigned char>& manifest)
{
    std::string text(manifest.begin(), manifest.end());
    std::vector<std::pair<size_t, size_t>> spans;
    if (const char* why = CLevelFinder(text).Find(spans))
        return why;
    if (spans.empty())
        return "its manifest has no requestedExecutionLevel with a level";
    const size_t length = sizeof(kAsInvoker) - 1;
    for (const auto& span : spans) {
        // Every level Windows knows is at least as long as asInvoker.
        if (span.second - span.first < length)
            return "its manifest requests an execution level Windows doesn't know";
        text.replace(span.first, span.second - span.first,
                     std::string(kAsInvoker) + std::string(span.second - span.first - length, ' '));
    }
    manifest.assign(text.begin(), text.end());
    return nullptr;
}
