// Every text and dialog of the stub has an id of its own: two names for
// one number would show the wrong text (the string table keeps one).
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(ResourceIds, TextsAndDialogsHaveIdsOfTheirOwn)
{
    const std::string header = ReadText(std::string(KX_SOURCE_DIR) + "/resources/resource.h");
    ASSERT_FALSE(header.empty());
    const std::regex define(R"(#define (ID[SD]_\w+) (\d+))");
    std::map<std::string, std::string> byNumber; // "S:49" -> name
    std::set<std::string> texts;
    for (std::sregex_iterator it(header.begin(), header.end(), define), end; it != end; ++it) {
        const std::string name = (*it)[1], key = name.substr(0, 3) + ":" + std::string((*it)[2]);
        EXPECT_TRUE(byNumber.emplace(key, name).second) << name << " has the number of " << byNumber[key];
        if (name.compare(0, 4, "IDS_") == 0)
            texts.insert(name);
    }
    EXPECT_GT(texts.size(), 40u);
    // The usage's English is the command line's own text, g_szUsage.
    texts.erase("IDS_USAGE");

    // Each text once in the string table, and none the header doesn't name.
    const std::string table = ReadText(std::string(KX_SOURCE_DIR) + "/resources/Strings.rc");
    const std::regex entry(R"(^\s+(IDS_\w+)\s+")", std::regex::multiline);
    std::set<std::string> seen;
    for (std::sregex_iterator it(table.begin(), table.end(), entry), end; it != end; ++it) {
        const std::string name = (*it)[1];
        EXPECT_TRUE(seen.insert(name).second) << name << " twice in Strings.rc";
        EXPECT_TRUE(texts.count(name)) << name << " is not in resource.h";
    }
    EXPECT_EQ(texts, seen);
}
