// The publisher's reference, docs/script-reference.md, describes every word
// of installer/ScriptWords.h: each setting has a row in the tables under
// "## Settings", each command a "### `name`" heading with a row for each of
// its attributes (its item's too), each shortcut folder a row under
// "## Shortcut folders". The lists are expanded here, so a word added to
// them without its description fails, named.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ScriptWords.h"
#include "TestFiles.h"

namespace {

const char kReference[] = "docs/script-reference.md";

struct SCommandWord
{
    const char* pszName;
    bool bTakesItem;
};
const SCommandWord g_arrCommands[] = {
#define KX_COMMAND_WORD(id, name, item) {name, item},
    KX_SCRIPT_COMMANDS(KX_COMMAND_WORD)
#undef KX_COMMAND_WORD
};

const char* const g_arrSettings[] = {
#define KX_SETTING_WORD(id, name) name,
    KX_SCRIPT_SETTINGS(KX_SETTING_WORD)
#undef KX_SETTING_WORD
};

struct SAttributeWord
{
    const char* pszCommand;
    const char* pszName;
};
const SAttributeWord g_arrAttributes[] = {
#define KX_ATTRIBUTE_WORD(command, id, name) {Command::command, name},
    KX_COMMAND_ATTRIBUTES(KX_ATTRIBUTE_WORD)
#undef KX_ATTRIBUTE_WORD
};

const char* const g_arrFolders[] = {
#define KX_FOLDER_WORD(name) name,
    KX_SHORTCUT_FOLDERS(KX_FOLDER_WORD)
#undef KX_FOLDER_WORD
};

std::vector<std::string> ReadLines()
{
    const std::vector<unsigned char> bytes = ReadBytes(std::string(KX_SOURCE_DIR) + "/" + kReference);
    std::vector<std::string> lines(1);
    for (unsigned char c : bytes) {
        if (c == '\n')
            lines.emplace_back();
        else if (c != '\r')
            lines.back() += (char)c;
    }
    return lines;
}

// 2 for "## x", 0 for a line that is no heading.
size_t HeadingLevel(const std::string& line)
{
    const size_t level = line.find_first_not_of('#');
    return level != std::string::npos && level > 0 && line[level] == ' ' ? level : 0;
}

// The words in backticks in the first cell of each table row under the
// heading line, up to the next heading of its level or above. False when
// there is no such heading.
bool RowWords(const std::vector<std::string>& lines, const std::string& heading, std::set<std::string>& words)
{
    size_t i = 0;
    while (i < lines.size() && lines[i] != heading)
        i++;
    if (i == lines.size())
        return false;
    const size_t level = HeadingLevel(heading);
    for (i++; i < lines.size(); i++) {
        const std::string& line = lines[i];
        const size_t below = HeadingLevel(line);
        if (below && below <= level)
            break;
        if (line.empty() || line[0] != '|')
            continue;
        const std::string cell = line.substr(1, line.find('|', 1) - 1);
        for (size_t open = cell.find('`'); open != std::string::npos; open = cell.find('`', open)) {
            const size_t close = cell.find('`', open + 1);
            if (close == std::string::npos)
                break;
            words.insert(cell.substr(open + 1, close - open - 1));
            open = close + 1;
        }
    }
    return true;
}

TEST(ScriptReference, DescribesEverySetting)
{
    std::set<std::string> rows;
    ASSERT_TRUE(RowWords(ReadLines(), "## Settings", rows)) << kReference << " has no \"## Settings\"";
    for (const char* setting : g_arrSettings)
        EXPECT_TRUE(rows.count(setting)) << kReference << ": the setting `" << setting
                                         << "` has no row in the tables under \"## Settings\"";
}

TEST(ScriptReference, DescribesEveryCommandAndItsAttributes)
{
    const std::vector<std::string> lines = ReadLines();
    for (const SCommandWord& command : g_arrCommands) {
        const std::string heading = std::string("### `") + command.pszName + "`";
        std::set<std::string> rows;
        if (!RowWords(lines, heading, rows)) {
            ADD_FAILURE() << kReference << ": the command `" << command.pszName << "` has no heading \"" << heading
                          << "\"";
            continue;
        }
        std::vector<const char*> attributes;
        if (command.bTakesItem)
            attributes = {Attr::Id, std::string(command.pszName) == Command::File ? Attr::Src : Attr::Text};
        for (const SAttributeWord& attribute : g_arrAttributes)
            if (std::string(attribute.pszCommand) == command.pszName)
                attributes.push_back(attribute.pszName);
        for (const char* attribute : attributes)
            EXPECT_TRUE(rows.count(attribute)) << kReference << ": the attribute `" << attribute << "` of `"
                                               << command.pszName << "` has no row under \"" << heading << "\"";
    }
}

TEST(ScriptReference, DescribesEveryShortcutFolder)
{
    std::set<std::string> rows;
    ASSERT_TRUE(RowWords(ReadLines(), "## Shortcut folders", rows)) << kReference << " has no \"## Shortcut folders\"";
    for (const char* folder : g_arrFolders)
        EXPECT_TRUE(rows.count(folder)) << kReference << ": the shortcut folder `" << folder
                                        << "` has no row under \"## Shortcut folders\"";
}

} // namespace
