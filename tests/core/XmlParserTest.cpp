#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "Memory.h"
#include "XMLEntities.h"
#include "XMLParser.h"

namespace {

// Records every event as one line: "T:text", "S:name[a=v,...]" (or "S/"
// when self-closing), "E:name".
class CRecorder : public CXMLParser
{
public:
    void OnGotText(const char* text) override { m_events.push_back("T:" + std::string(text)); }
    void OnGotTag(const char* name, const CAttributeArray& attributes, bool selfClosing) override
    {
        std::string e = std::string(selfClosing ? "S/" : "S:") + name + "[";
        for (unsigned i = 0; i < attributes.GetSize(); i++)
            e += std::string(i ? "," : "") + attributes[i].szName + "=" + attributes[i].szValue;
        m_events.push_back(e + "]");
        m_arrLast = attributes;
    }
    void OnGotEndTag(const char* name) override { m_events.push_back("E:" + std::string(name)); }

    std::string Joined() const
    {
        std::string all;
        for (size_t i = 0; i < m_events.size(); i++)
            all += (i ? "|" : "") + m_events[i];
        return all;
    }

    std::vector<std::string> m_events;
    CAttributeArray m_arrLast;
};

std::string Events(const std::string& input)
{
    CRecorder parser;
    EXPECT_TRUE(parser.Parse(input.data(), (unsigned)input.size()));
    return parser.Joined();
}

std::string Escaped(const std::string& text)
{
    CSmallString s(text.data(), (int)text.size());
    CXMLParser::ConvertSpecialChars(s);
    return std::string(s.GetText(), (size_t)s.GetLength());
}

} // namespace

TEST(XmlParser, EventsForWellFormedAndMalformedInput)
{
    struct Case
    {
        std::string input;
        const char* events;
    };
    // A text event follows every tag at the next '<' or at the end, empty
    // when nothing was read: the token's first byte still holds the tag's.
    const Case cases[] = {
        {"", ""},
        {"<a>x</a>", "S:a[]|T:x|E:a|T:"},
        {"<a/>", "S/a[]|T:"},
        {"<a />", "S/a[]|T:"},
        {"<a/ >", "S:a/[]|T:"},
        {"</a>", "E:a|T:"},
        {"</a x=\"1\">", "E:a|T:"},
        {"< / a x=1 >", "E:a|T:"},
        {"<a><b>", "S:a[]|T:|S:b[]|T:"},
        {"<a b=\"x>y\"/>", "S/a[b=x>y]|T:"},
        {"<a b=c d=\"e f\">", "S:a[b=c,d=e f]|T:"},
        {"<a flag>", "S:a[flag=]|T:"},
        {"<a b = \"c\">", "S:a[b=c]|T:"},
        {"<a =v>", "S:a[=v]|T:"},
        {"<a b=c\td=e>", "S:a[b=c\td=e]|T:"},
        {"<a b=x\"y z\">", "S:a[b=x\"y,z\"=]|T:"},
        // Single quotes do not protect a '>'.
        {"<a b='x>y'>", "S:a[b='x]|T:y'>"},
        {"<a  v=\"x   y\"   w=\"p\r\n\tq\">", "S:a[v=x y,w=p\rq]|T:"},
        {"<a v=\"&lt;&amp;&#65;&bogus;&AMP;\">", "S:a[v=<&A&bogus;&]|T:"},
        {"<a v=&amp;x w=y>", "S:a[v=&x,w=y]|T:"},
        // An entity in a value ends with the value.
        {"<a v=\"&#65\" w=\"1;\">", "S:a[v=A,w=1;]|T:"},
        {"<>", "S:[]"},
        {"</>", "S/[]"}, // the '/' is taken as self-closing
        {"</ >", "E:|T:"},
        {"<a<b>", "S:a[]|T:b>"},
        {"<a b=\"1", "S:a[b=1]|T:"},
        {"<?xml version=\"1.0\"?>", "S:?xml[version=1.0,?=]|T:"},
        {"<!-- note -->", "S:!--[note=,--=]|T:"},
        {"<!DOCTYPE x>", "S:!DOCTYPE[x=]|T:"},
        {std::string("a\0b<c/>", 7), "T:a|S/c[]|T:"},
        {std::string("<a\0 b=\"1\">", 10), "S:a[]|T:"},
        // Text: whitespace runs keep their first character.
        {"  x \r\n y  ", "T: x y "},
        {"\r\n\t<a/>", "T:\r|S/a[]|T:"},
        {"a&lt;b", "T:a<b"},
        {"&LT;&Lt;&lT;", "T:<<<"},
        {"&foo;", "T:&foo;"},
        {"&;", "T:&;"},
        {"&amp", "T:&"},
        {"&amp x", "T:&amp x"},
        {"&#65;&#321;&#-191;&# 65;", "T:AAAA"},
        {"&#99999999999;", "T:\xFF"},
        {"a&#x41;b", "T:a"},
        {"&#0;x", ""},
        {"&tab;", "T:\t"},
        {"&apos;&quot;&nbsp;&yuml;&YUML;", "T:'\"\xA0\xFF\xFF"},
        {"a &#32;b", "T:a  b"},
        {"a&#32; b", "T:a b"},
        {"&tab;&tab; x", "T:\t\tx"},
        // A decoded '<' is data; an entity name may run over a tag.
        {"a&#60;b>c", "T:a<b>c"},
        {"&#65<b>;x", "T:Ax"},
        // CDATA content joins the text verbatim.
        {"x<![CDATA[ <b>&amp;  y ]]>z", "T:x <b>&amp;  y z"},
        {"<a><![CDATA[</a>]]></a>", "S:a[]|T:</a>|E:a|T:"},
        {"<![CDATA[abc", "T:abc"},
        {"<![CDATA[a]]", "T:a]]"},
        {"<![CDATA[]]>", ""},
        {"<![CDAT", "S:![CDAT[]|T:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(c.events, Events(c.input));
    }
}

TEST(XmlParser, EntitiesDecodeWithTheExactSpellingRule)
{
    ASSERT_EQ(102u, g_uCharacterCount);
    unsigned pairs = 0;
    for (unsigned i = 0; i < g_uCharacterCount; i++) {
        const std::string name = g_arrCharacters[i].pszName;
        SCOPED_TRACE(name);
        EXPECT_EQ("T:" + std::string(1, (char)g_arrCharacters[i].uCode), Events("&" + name + ";"));
        // Any other spelling takes the code of the all-lower-case row.
        std::string upper = name, lower = name;
        for (char& ch : upper)
            ch = (char)toupper((unsigned char)ch);
        for (char& ch : lower)
            ch = (char)tolower((unsigned char)ch);
        int lowerCode = -1, upperCode = -1;
        for (unsigned j = 0; j < g_uCharacterCount; j++) {
            if (lower == g_arrCharacters[j].pszName)
                lowerCode = g_arrCharacters[j].uCode;
            if (upper == g_arrCharacters[j].pszName)
                upperCode = g_arrCharacters[j].uCode; // "ETH" is a row of its own
        }
        ASSERT_NE(-1, lowerCode);
        if (lowerCode != g_arrCharacters[i].uCode)
            pairs++;
        const int expected = upperCode != -1 ? upperCode : lowerCode;
        EXPECT_EQ("T:" + std::string(1, (char)expected), Events("&" + upper + ";"));
    }
    EXPECT_EQ(30u, pairs);
    EXPECT_EQ("T:\xC0\xE0\xE0\xD0\xF0\xDE\xFE\xFE\xC6\xE6",
              Events("&Agrave;&agrave;&AGRAVE;&ETH;&eth;&THORN;&thorn;&Thorn;&AElig;&AELIG;"));
}

TEST(XmlParser, EntityNamesLongerThan255AreLiteral)
{
    // '#' + zeros + "65": 255 characters decode, 256 stay as typed.
    const std::string fits = "&#" + std::string(252, '0') + "65;";
    const std::string tooLong = "&#" + std::string(253, '0') + "65;";
    EXPECT_EQ("T:A", Events(fits));
    EXPECT_EQ("T:" + tooLong, Events(tooLong));
    const std::string unknown = "&" + std::string(300, 'q') + ";";
    EXPECT_EQ("T:" + unknown, Events(unknown));
    // In attribute values too.
    EXPECT_EQ("S:a[v=A]|T:", Events("<a v=\"" + fits + "\">"));
    EXPECT_EQ("S:a[v=" + tooLong + "]|T:", Events("<a v=\"" + tooLong + "\">"));
}

TEST(XmlParser, TagAndAttributeLengthLimits)
{
    CRecorder parser;
    // Names beyond 256 characters are cut and the rest becomes an attribute.
    const std::string longName(300, 'n');
    parser.OnGotTagText(longName.c_str(), false);
    EXPECT_EQ("S:" + std::string(256, 'n') + "[" + std::string(44, 'n') + "=]", parser.Joined());

    struct Case
    {
        std::string tag;
        size_t nameLength;
        size_t valueLength;
        unsigned attributes;
    };
    const Case cases[] = {
        {"a " + std::string(5000, 'k') + "=1", 4095, 0, 2},
        {"a k=\"" + std::string(5000, 'v') + "\"", 1, 4095, 2},
        {"a " + std::string(100, 'k') + "=\"" + std::string(5000, 'v') + "\"", 100, 3996, 2},
        {"a " + std::string(4000, 'k') + "=" + std::string(200, 'v'), 4000, 96, 2},
        {"a =\"" + std::string(5000, 'v') + "\"", 0, 4095, 2},
        {"a k=\"" + std::string(4095, 'v') + "\"", 1, 4095, 1},
        {"a " + std::string(4095, 'k') + "=x", 4095, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag.substr(0, 12));
        parser.OnGotTagText(c.tag.c_str(), false);
        ASSERT_EQ(c.attributes, parser.m_arrLast.GetSize());
        EXPECT_EQ(c.nameLength, strlen(parser.m_arrLast[0].szName));
        EXPECT_EQ(c.valueLength, strlen(parser.m_arrLast[0].szValue));
    }
    // What a cut value leaves over is read as the next attribute.
    parser.OnGotTagText(("a k=\"" + std::string(4100, 'v') + "\"").c_str(), false);
    ASSERT_EQ(2u, parser.m_arrLast.GetSize());
    EXPECT_STREQ("vvvvv\"", parser.m_arrLast[1].szName);
}

TEST(XmlParser, AttributeRecordsCountDecodedNuls)
{
    // The C string stops at a decoded NUL; the length counts on to the end.
    struct Case
    {
        const char* name;
        unsigned length;
        const char* text;
    };
    const Case expected[] = {{"v", 3, "x"}, {"w", 1, ""}, {"z", 2, "ab"}, {"e", 0, ""}};
    CRecorder parser;
    parser.OnGotTagText("a v=\"x&#0;y\" w=&#0; z=\"ab\" e", false);
    ASSERT_EQ(4u, parser.m_arrLast.GetSize());
    for (unsigned i = 0; i < 4; i++) {
        EXPECT_STREQ(expected[i].name, parser.m_arrLast[i].szName);
        EXPECT_EQ(expected[i].length, parser.m_arrLast[i].uValueLength);
        EXPECT_STREQ(expected[i].text, parser.m_arrLast[i].szValue);
    }
    EXPECT_EQ('y', parser.m_arrLast[0].szValue[2]);
}

TEST(XmlParser, LongTokensGrowTheBuffer)
{
    std::string text;
    for (int i = 0; i < 20000; i++)
        text += "word" + std::to_string(i) + " ";
    const std::string value(3000, 'v');
    EXPECT_EQ("T:" + text + "|S/a[v=" + value + "]|T:", Events(text + "<a v=\"" + value + "\"/>"));
}

TEST(XmlParser, ParserIsReusable)
{
    CRecorder parser;
    const std::string input = "<a k=\"1\">x</a>";
    ASSERT_TRUE(parser.Parse(input.data(), (unsigned)input.size()));
    const std::string first = parser.Joined();
    parser.m_events.clear();
    ASSERT_TRUE(parser.Parse(input.data(), (unsigned)input.size()));
    EXPECT_EQ(first, parser.Joined());
    // Only the given length is read.
    parser.m_events.clear();
    ASSERT_TRUE(parser.Parse("<b/>garbage", 4));
    EXPECT_EQ("S/b[]|T:", parser.Joined());
    parser.m_events.clear();
    ASSERT_TRUE(parser.Parse(nullptr, 0));
    EXPECT_EQ("", parser.Joined());
}

namespace {

size_t g_uFailFrom = (size_t)-1;
void* BigFails(size_t size) { return size >= g_uFailFrom ? nullptr : malloc(size ? size : 1); }

class CThrowingText : public CXMLParser
{
public:
    void OnGotText(const char*) override { throw std::bad_alloc(); }
    void OnGotTag(const char*, const CAttributeArray&, bool) override { m_nTags++; }
    int m_nTags = 0;
};

} // namespace

TEST(XmlParser, OutOfMemoryEndsTheParseWithFalse)
{
    CRecorder parser;
    const std::string input = "<a/><b>" + std::string(5000, 'x') + "</b>";
    g_uFailFrom = 2048; // the token's first growth
    KxSetAllocator(BigFails, nullptr);
    const bool ok = parser.Parse(input.data(), (unsigned)input.size());
    KxSetAllocator(nullptr, nullptr);
    EXPECT_FALSE(ok);
    EXPECT_EQ("S/a[]|T:|S:b[]", parser.Joined());
    // The parser still works once memory is back.
    parser.m_events.clear();
    EXPECT_TRUE(parser.Parse(input.data(), (unsigned)input.size()));
    const std::string tail = "S/a[]|T:|S:b[]|T:" + std::string(5000, 'x') + "|E:b|T:";
    const std::string all = parser.Joined();
    EXPECT_TRUE(all.size() >= tail.size() && all.compare(all.size() - tail.size(), tail.size(), tail) == 0);

    CThrowingText throwing;
    EXPECT_FALSE(throwing.Parse("<a/>x<b/>", 9));
    EXPECT_EQ(1, throwing.m_nTags);
}

TEST(XmlParser, TablesAreSharedSafelyBetweenThreads)
{
    // The first parsers of the process race to build the entity tables.
    std::vector<std::thread> threads;
    std::vector<std::string> results(4);
    for (int t = 0; t < 4; t++)
        threads.emplace_back([t, &results]() {
            CRecorder parser;
            const std::string input = "<a v=\"&eacute;&Eacute;\">&THORN;&amp;&tab;</a>";
            for (int i = 0; i < 200; i++) {
                parser.m_events.clear();
                parser.Parse(input.data(), (unsigned)input.size());
            }
            results[t] = parser.Joined();
        });
    for (std::thread& t : threads)
        t.join();
    for (const std::string& r : results)
        EXPECT_EQ("S:a[v=\xE9\xC9]|T:\xDE&\t|E:a|T:", r);
}

TEST(XmlEscape, ConvertSpecialCharsOutputTable)
{
    struct Case
    {
        std::string input;
        const char* output;
    };
    const Case cases[] = {
        {"", ""},
        {"plain text 123", "plain text 123"},
        {"Tom's \"A&B\" <1>", "Tom&apos;s &quot;A&amp;B&quot; &lt;1&gt;"},
        {"\t", "&#9;"},
        {"\r\n", "&#13;&#10;"},
        {"\xE9\xFF\x80\x7F\x01", "&#233;&#255;&#128;&#127;&#1;"},
        {"{}|~^`", "&#123;&#125;&#124;&#126;&#94;&#96;"},
        {"[] -()+,./\\:=?;!*#@$_%", "[] -()+,./\\:=?;!*#@$_%"},
        {std::string("a\0b", 3), "a&#0;b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(c.output, Escaped(c.input));
    }
    // Every byte but NUL reads back as itself.
    for (int b = 1; b < 256; b++) {
        const std::string one(1, (char)b);
        EXPECT_EQ("T:x" + one + "x", Events(Escaped("x" + one + "x"))) << "byte " << b;
    }
    // A shared string is copied, not changed under its other owners.
    CSmallString original("a<b");
    CSmallString copy(original);
    CXMLParser::ConvertSpecialChars(copy);
    EXPECT_EQ(original, "a<b");
    EXPECT_EQ(copy, "a&lt;b");
}
