#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestFiles.h"
#include "XMLDocument.h"
#include "XMLWellFormed.h"

namespace {

bool Check(const std::string& text, bool strict, SXMLProblem& problem)
{
    return CheckXMLWellFormed(text.data(), (unsigned)text.size(), strict, problem);
}

unsigned TopLevelElements(const std::string& text)
{
    CXMLDocument* document = CXMLDocument::LoadFromMemory(text.data(), (unsigned)text.size());
    const unsigned count = document ? document->GetChildCount() : 0;
    if (document)
        document->Release();
    return count;
}

std::string ReadSource(const char* path)
{
    const std::vector<unsigned char> bytes = ReadBytes(std::string(KX_SOURCE_DIR) + "/" + path);
    return std::string(bytes.begin(), bytes.end());
}

enum EMode
{
    Both,      // the same verdict in both modes
    Structural // refused only in strict mode (line and column are strict's)
};

struct SCase
{
    std::string strText;
    EMode eMode;
    unsigned uLine; // 0: well-formed
    unsigned uColumn;
    const char* pszMessage;
};

const SCase g_arrCases[] = {
    // Well-formed in both modes.
    {"<r/>", Both, 0, 0, ""},
    {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!DOCTYPE r SYSTEM \"r.dtd\">\n<!-- \"a>b\" -->\n"
     "<r a=\"x>y\" b = \"&amp;&#233;&eacute;\">t<![CDATA[<x>&]]><?pi x?><a/><b></b ></r>\n",
     Both, 0, 0, ""},
    // Refused only by strict mode.
    {"<r a=1/>", Structural, 1, 6, "attribute value is not in double quotes"},
    {"<r a='1'/>", Structural, 1, 6, "attribute value is not in double quotes"},
    {"<r>\n<f a=\"1\" b=\"2\" a=\"3\"/></r>", Structural, 2, 16, "attribute appears twice"},
    {"<r>Tom & Jerry <b/>;</r>", Structural, 1, 8, "'&' does not start a known reference"},
    {"<r>&#8364;</r>", Structural, 1, 4, "'&' does not start a known reference"},
    {"<r>&#x41;</r>", Structural, 1, 4, "'&' does not start a known reference"},
    {"<r a=\"&bogus;\"/>", Structural, 1, 7, "'&' does not start a known reference"},
    {"<r a=\"x<y\"/>", Structural, 1, 8, "'<' inside an attribute value"},
    {"<r a=\"1\"b=\"2\"/>", Structural, 1, 9, "no blank between attributes"},
    {"<r a/>", Structural, 1, 4, "attribute has no value"},
    {"<r a b=\"1\"/>", Structural, 1, 4, "attribute has no value"},
    {"<r / a=\"1\"/>", Structural, 1, 4, "bad attribute name"},
    {"\n<?xml version=\"1.0\"?><r/>", Structural, 2, 1, "XML declaration not at the start"},
    // Refused in both modes.
    {"", Both, 1, 1, "no root element"},
    {" <!-- only a comment --> ", Both, 1, 26, "no root element"},
    {"<r>", Both, 1, 1, "element <r> is not closed"},
    {"<install>\n\t<file src=\"a\">\n</install>", Both, 3, 1, "end tag </install> does not match <file>"},
    {"<r>\r\n<a>\r</b></a></r>", Both, 3, 1, "end tag </b> does not match <a>"},
    {"<R></r>", Both, 1, 4, "end tag </r> does not match <R>"},
    {"</r>", Both, 1, 1, "end tag </r> without a start tag"},
    {"<r></r x>", Both, 1, 8, "bad character in an end tag"},
    {"<r/><r/>", Both, 1, 5, "element <r> after the root element"},
    {"<r/>x", Both, 1, 5, "text after the root element"},
    {std::string("<r/>\r\n\0\0", 8), Both, 2, 1, "NUL byte"}, // a zero-filled tail
    {"x<r/>", Both, 1, 1, "text before the root element"},
    {"<r>\n<remove-folder path=\"%APPDATA%\\Vendor", Both, 2, 21, "attribute value has no closing quote"},
    {"<r>\n<remove-folder path=x", Both, 2, 1, "tag runs to the end of the text"},
    {"<r></r", Both, 1, 4, "tag runs to the end of the text"},
    {"<r><!-", Both, 1, 4, "tag runs to the end of the text"},
    {"<r><!-- x", Both, 1, 4, "comment runs to the end of the text"},
    {"<r><![CDATA[x]]", Both, 1, 4, "CDATA section runs to the end of the text"},
    {"<?xml version=\"1.0\"", Both, 1, 1, "processing instruction runs to the end of the text"},
    {"<!DOCTYPE r", Both, 1, 1, "DOCTYPE runs to the end of the text"},
    {"<r><a <b/></a></r>", Both, 1, 7, "'<' inside a tag"},
    {"<r>a < b</r>", Both, 1, 6, "'<' does not start a tag"},
    {"<r><\xC3\xA9/></r>", Both, 1, 4, "'<' does not start a tag"},
    {"<r><a/b></a/b></r>", Both, 1, 4, "bad element name"},
    {"<r><!x></r>", Both, 1, 4, "unknown markup after '<!'"},
    {"<r><!-- a > b --></r>", Both, 1, 11, "'>' inside a comment"},
    {"<r><!-- \" --></r>", Both, 1, 13, "unpaired '\"' in a comment"},
    {"<?pi a>b?><r/>", Both, 1, 7, "'>' inside a processing instruction"},
    {"<!DOCTYPE r [<!ELEMENT r ANY>]><r/>", Both, 1, 14, "'<' inside a DOCTYPE"},
    {"<r/><!DOCTYPE r>", Both, 1, 5, "DOCTYPE not before the root element"},
    {"<![CDATA[x]]><r/>", Both, 1, 1, "CDATA section outside the root element"},
    {"<r>&#<x/>;</r>", Both, 1, 4, "'&#' has no ';' before the next tag"},
};

} // namespace

TEST(XmlWellFormed, TableOfDocuments)
{
    for (const SCase& c : g_arrCases) {
        const std::string& text = c.strText;
        for (const bool strict : {false, true}) {
            SCOPED_TRACE(testing::Message() << (strict ? "strict: " : "structural: ") << text);
            const bool refused = c.uLine && (strict || c.eMode == Both);
            SXMLProblem problem;
            EXPECT_EQ(!refused, Check(text, strict, problem));
            if (refused) {
                EXPECT_EQ(c.uLine, problem.uLine);
                EXPECT_EQ(c.uColumn, problem.uColumn);
                EXPECT_STREQ(c.pszMessage, problem.szMessage);
            } else {
                // What passes is read as one element by the lenient loader.
                EXPECT_EQ(1u, TopLevelElements(text));
            }
        }
    }
}

// Every cut inside the root element is refused, whatever byte it falls on;
// the whole document passes in both modes.
TEST(XmlWellFormed, EveryCutInsideTheRootIsRefused)
{
    const std::pair<std::string, std::string> documents[] = {
        {"<r/>", "r"},
        {"<?xml version=\"1.0\"?>\r\n<r a=\"1\" b=\"x > y\">\r\n\t<c>&lt;text&gt;</c><d/>\r\n</r>\r\n", "r"},
        {"<!-- log -->\n<log><![CDATA[<a>]]><!-- c --><?pi x?><e\nk=\"v\"\n/></log>\n<!-- end -->", "log"},
        {ReadSource("tests/e2e/hand-uninstall.xml"), "uninstall"},
        {ReadSource("examples/hello/setup.xml"), "install"},
    };
    for (const auto& document : documents) {
        const std::string& text = document.first;
        const std::string endTag = "</" + document.second + ">";
        const size_t start = text.find("<" + document.second);
        const size_t end = text.find(endTag) != std::string::npos ? text.find(endTag) + endTag.size() : text.size();
        SXMLProblem problem;
        EXPECT_TRUE(Check(text, false, problem)) << problem.szMessage << "\n" << text;
        EXPECT_TRUE(Check(text, true, problem)) << problem.szMessage << "\n" << text;
        for (size_t n = start + 1; n < end; n++)
            EXPECT_FALSE(Check(text.substr(0, n), false, problem)) << text.substr(0, n);
    }
}
