#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "CountingAllocator.h"
#include "FileText.h"
#include "TestFiles.h"
#include "XMLDocument.h"

namespace {

// Every foundation block allocated inside the scope is freed by its end.
class CLeakCheck : public CCountingAllocator
{
public:
    ~CLeakCheck() { EXPECT_EQ(0, GetLiveBlocks()) << "blocks leaked"; }
};

struct CDocRef
{
    explicit CDocRef(CXMLDocument* doc) : p(doc) {}
    ~CDocRef()
    {
        if (p)
            p->Release();
    }
    CXMLDocument* operator->() const { return p; }
    CXMLDocument* p;
};

CXMLDocument* Load(const std::string& text)
{
    return CXMLDocument::LoadFromMemory(text.data(), (unsigned)text.size());
}

std::string Str(const CCharArray& a)
{
    return std::string(a.GetData() ? a.GetData() : "", a.GetSize());
}

std::string Compact(const CXMLNode* node)
{
    CCharArray out;
    node->SaveToCharArray(out);
    return Str(out);
}

std::string Pretty(const CXMLNode* node, unsigned indent = 0)
{
    CCharArray out;
    node->SavePrettyToCharArray(out, indent);
    return Str(out);
}

std::string Sugar(const CXMLNode* node, unsigned indent = 0)
{
    CCharArray out;
    node->SavePrettyWithSugarOnTopToCharArray(out, indent);
    return Str(out);
}

std::string Trimmed(const CSmallString& s)
{
    CSmallString t(s);
    t.TrimBoth();
    return t.GetText();
}

// The tree as a writer sees it: names, trimmed texts, attributes sorted.
std::string Dump(const CXMLNode* node)
{
    std::vector<std::string> attributes;
    const CXMLNode::CAttributeMap& map = node->GetAttributes();
    for (unsigned b = 0; b < map.GetBucketCount(); b++)
        for (auto* e = map.GetBucket(b); e; e = e->pNext)
            attributes.push_back(std::string(e->key) + "=" + std::string(e->value));
    std::sort(attributes.begin(), attributes.end());
    std::string s = std::string(node->GetName()) + "(";
    for (const std::string& a : attributes)
        s += a + ";";
    s += ")'" + Trimmed(node->GetText()) + "'{";
    for (unsigned i = 0; i < node->GetChildCount(); i++)
        s += Dump(node->GetChild(i));
    return s + "}";
}

const char g_szScript[] = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n"
                          "<!-- install script -->\r\n"
                          "<install>\r\n"
                          "\t<app-name>Demo &amp; Co &#153;</app-name>\r\n"
                          "\t<default-path>%ProgramFiles%\\Demo\\</default-path>\r\n"
                          "\t<terms>Line one&#13;&#10;Line two: &quot;quoted&quot; &lt;tag&gt; caf&eacute;</terms>\r\n"
                          "\t<file src=\"1\" dest=\"%APP%demo.exe\" />\r\n"
                          "\t<file src=\"2\" dest=\"%APP%readme.txt\" overwrite=\"1\"/>\r\n"
                          "\t<shortcut name=\"Demo\" target=\"%APP%demo.exe\" folder=\"programs\">\r\n"
                          "\t\t<arguments>-x &apos;y&apos;</arguments>\r\n"
                          "\t</shortcut>\r\n"
                          "\t<registry root=\"HKLM\" key=\"Software\\Demo\" name=\"Path\" value=\"%APP%\"/>\r\n"
                          "\t<run-command wait=\"1\"><![CDATA[cmd /c echo <done> & exit]]></run-command>\r\n"
                          "</install>\r\n";

} // namespace

TEST(XmlDocument, CreateFindRemoveAndReferenceCounts)
{
    CLeakCheck leaks;
    CXMLDocument* doc = new CXMLDocument;
    EXPECT_EQ(1, doc->GetRefCount());
    EXPECT_EQ(doc->GetName(), "");
    EXPECT_EQ(nullptr, doc->GetParent());

    CXMLNode* a = doc->CreateNewChild("a");
    EXPECT_EQ(2, a->GetRefCount()); // the child list's and ours
    EXPECT_EQ(doc, a->GetParent());
    a->Release();

    CXMLNode* b = doc->CreateNewChildPath("a|b");
    EXPECT_EQ(1u, doc->GetChildCount()); // "a" was reused
    EXPECT_EQ(a, b->GetParent());
    EXPECT_EQ(1, b->GetRefCount());
    EXPECT_EQ(1, a->GetRefCount());
    EXPECT_EQ(b, doc->CreateNewChildPath("|a||b|"));
    EXPECT_EQ(doc, doc->CreateNewChildPath(""));
    char path[] = "x|y";
    CXMLNode* y = doc->CreateNewChildPath(path);
    EXPECT_STREQ("x|y", path);
    ASSERT_NE(nullptr, y);
    EXPECT_EQ(y->GetName(), "y");

    EXPECT_EQ(b, doc->FindNodePath("a|b"));
    EXPECT_EQ(nullptr, doc->FindNodePath("a|c"));
    EXPECT_EQ(nullptr, doc->FindNodePath("A|b")); // names are exact
    EXPECT_EQ(doc, doc->FindNodePath(""));
    EXPECT_EQ(a, doc->FindNode("a"));
    EXPECT_EQ(nullptr, doc->FindNode("A"));
    EXPECT_EQ(nullptr, doc->FindNode("b")); // direct children only
    const CXMLNode* constDoc = doc;
    EXPECT_EQ(b, constDoc->FindNodePath("a|b"));
    EXPECT_EQ(a, constDoc->FindNode("a"));

    // Later children move up; a removed node kept alive loses its parent.
    CXMLNode* m = doc->CreateNewChild("m");
    m->Release();
    EXPECT_FALSE(doc->RemoveNodePath(""));
    EXPECT_FALSE(doc->RemoveNodePath("|"));
    EXPECT_FALSE(doc->RemoveNodePath("a|c"));
    EXPECT_FALSE(doc->RemoveNode(b)); // a grandchild, not a child
    a->AddRef();
    EXPECT_TRUE(doc->RemoveNode(a));
    EXPECT_FALSE(doc->RemoveNode(a));
    ASSERT_EQ(2u, doc->GetChildCount());
    EXPECT_EQ(doc->GetChild(0)->GetName(), "x");
    EXPECT_EQ(m, doc->GetChild(1));
    EXPECT_EQ(nullptr, doc->GetChild(2));
    EXPECT_EQ(nullptr, a->GetParent());
    EXPECT_EQ(1, a->GetRefCount());
    EXPECT_EQ(b, a->FindNode("b"));
    a->Release();

    EXPECT_TRUE(doc->RemoveNodePath("x|y"));
    EXPECT_EQ(0u, doc->FindNode("x")->GetChildCount());

    // A child that outlives its parent is told so.
    CXMLNode* keep = doc->FindNode("m");
    keep->AddRef();
    doc->Release();
    EXPECT_EQ(nullptr, keep->GetParent());
    keep->Release();
}

TEST(XmlDocument, AttributesIgnoreCaseAndReadNumbers)
{
    CLeakCheck leaks;
    CDocRef doc(new CXMLDocument);
    CXMLNode* n = doc->CreateNewChildPath("n");

    n->SetAttributeValue("x", true);
    bool flag = false;
    EXPECT_TRUE(n->GetAttributeValue("X", flag));
    EXPECT_TRUE(flag);
    n->SetAttributeValue("x", false);
    EXPECT_STREQ("0", n->GetAttributeValue("x"));

    n->SetAttribute("Name", "1");
    n->SetAttribute("NAME", "2");
    EXPECT_EQ(2u, n->GetAttributeCount());
    EXPECT_STREQ("2", n->GetAttributeValue("name"));
    EXPECT_EQ(nullptr, n->GetAttributeValue("Nam"));
    EXPECT_EQ(nullptr, n->GetAttributeValue("absent"));
    {
        CXMLAttributeItr it(n);
        for (; !it.IsDone() && strcmp(it.GetName(), "Name") != 0; it.Next()) {
        }
        EXPECT_FALSE(it.IsDone()) << "the first spelling is kept";
    }

    unsigned value = 0xdeadbeef;
    EXPECT_FALSE(n->GetAttributeValue("absent", value));
    EXPECT_EQ(0xdeadbeefu, value);
    bool absentFlag = true;
    EXPECT_FALSE(n->GetAttributeValue("absent", absentFlag));
    EXPECT_TRUE(absentFlag);

    struct Case
    {
        const char* text;
        unsigned number;
        bool flag;
    };
    const Case cases[] = {
        {"42", 42, true},
        {"0", 0, false},
        {"abc", 0, false},
        {" 7x", 7, true},
        {"+8", 8, true},
        {"0x10", 0, false},
        {"", 0, false},
        {"-1", 4294967295u, true},
        {"4294967295", 4294967295u, true},
        {"4294967296", 4294967295u, true},
        {"99999999999999999999", 4294967295u, true},
        {"true", 0, true},
        {"YES", 0, true},
        {"no", 0, false},
        {"false", 0, false},
        {"yes please", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        n->SetAttribute("v", c.text);
        ASSERT_TRUE(n->GetAttributeValue("V", value));
        EXPECT_EQ(c.number, value);
        ASSERT_TRUE(n->GetAttributeValue("v", flag));
        EXPECT_EQ(c.flag, flag);
    }
    n->SetAttributeValue("big", 4294967295u);
    EXPECT_STREQ("4294967295", n->GetAttributeValue("big"));

    // A value may be set from the node's own storage.
    n->SetAttribute("big", n->GetAttributeValue("BIG") + 1);
    EXPECT_STREQ("294967295", n->GetAttributeValue("big"));
    n->SetAttribute(nullptr, nullptr);
    EXPECT_STREQ("", n->GetAttributeValue(""));
}

TEST(XmlDocument, IteratorsWalkChildrenAndBuckets)
{
    CLeakCheck leaks;
    CDocRef doc(new CXMLDocument);
    for (const char* name : {"one", "two", "three"})
        doc->CreateNewChildPath(name);
    CXMLNodeItr* it = doc->CreateNodeIterator();
    EXPECT_EQ(2, doc->GetRefCount());
    std::string names;
    for (; !it->IsDone(); it->Next())
        names += std::string(it->GetNode()->GetName()) + ",";
    EXPECT_EQ("one,two,three,", names);
    EXPECT_EQ(nullptr, it->GetNode());
    delete it;
    EXPECT_EQ(1, doc->GetRefCount());
    CXMLNodeItr none(nullptr);
    EXPECT_TRUE(none.IsDone());
    EXPECT_EQ(nullptr, none.GetNode());

    // A name that shares the bucket of "a" (65).
    std::string twin;
    for (int i = 0; twin.empty(); i++) {
        const std::string candidate = "k" + std::to_string(i);
        if (Container::HashIt(candidate.c_str()) % 97 == 65)
            twin = candidate;
    }
    CXMLNode* n = doc->CreateNewChildPath("n");
    n->SetAttribute("b", "2"); // bucket 66
    n->SetAttribute("a", "1");
    n->SetAttribute(twin.c_str(), "3");
    std::string order;
    for (CXMLAttributeItr at(n); !at.IsDone(); at.Next())
        order += std::string(at.GetName()) + "=" + at.GetValue() + ",";
    EXPECT_EQ(twin + "=3,a=1,b=2,", order); // newest first within a bucket
    // The writers keep insertion order within a bucket.
    EXPECT_EQ("<n a=\"1\" " + twin + "=\"3\" b=\"2\" />", Compact(doc.p).substr(Compact(doc.p).find("<n ")));

    {
        CXMLAttributeItr at(n);
        at.SetValue("changed");
        EXPECT_STREQ("changed", n->GetAttributeValue(twin.c_str()));
    }
    CXMLAttributeItr empty(doc->FindNode("one"));
    EXPECT_TRUE(empty.IsDone());
    EXPECT_EQ(nullptr, empty.GetName());
    empty.Next();
    EXPECT_TRUE(empty.IsDone());
}

TEST(XmlWriter, ThreeLayoutsByteForByte)
{
    CLeakCheck leaks;
    CDocRef doc(new CXMLDocument);
    doc->SetText("never written");
    CXMLNode* install = doc->CreateNewChildPath("install");
    install->SetAttribute("version", "2");
    install->CreateNewChildPath("app-name")->SetText("  Demo & Co\r\n");
    CXMLNode* file = install->CreateNewChildPath("file");
    file->SetAttribute("dest", "%APP%a.exe"); // bucket 93
    file->SetAttribute("src", " a.exe ");     // bucket 39
    CXMLNode* group = install->CreateNewChildPath("group");
    group->SetAttribute("name", "g"); // bucket 66
    group->SetAttribute("id", "7");   // bucket 20
    group->SetText("note");
    group->CreateNewChildPath("item")->SetAttribute("k", "v");
    group->CreateNewChildPath("empty")->SetText(" \t ");

    EXPECT_EQ("<install version=\"2\"><app-name>Demo &amp; Co</app-name>"
              "<file src=\"a.exe\" dest=\"%APP%a.exe\" />"
              "<group id=\"7\" name=\"g\">note<item k=\"v\" /><empty /></group></install>",
              Compact(doc.p));

    EXPECT_EQ("<install version=\"2\">\r\n"
              "\t<app-name>Demo &amp; Co</app-name>\r\n"
              "\t<file src=\"a.exe\" dest=\"%APP%a.exe\" />\r\n"
              "\t<group id=\"7\" name=\"g\">note\r\n"
              "\t\t<item k=\"v\" />\r\n"
              "\t\t<empty />\r\n"
              "\t</group>\r\n"
              "</install>\r\n",
              Pretty(doc.p));

    EXPECT_EQ("<install\tversion=\"2\">\r\n"
              "\t<app-name>Demo &amp; Co</app-name>\r\n"
              "\t<file\tsrc=\"a.exe\"\t\r\n"
              "\t\tdest=\"%APP%a.exe\" />\r\n"
              "\t<group\tid=\"7\"\t\r\n"
              "\t\t\tname=\"g\">note\r\n"
              "\t\t<item\tk=\"v\" />\r\n"
              "\t\t<empty />\r\n"
              "\t</group>\r\n"
              "</install>\r\n",
              Sugar(doc.p));

    // A node writes its children only, from the indent it is given.
    EXPECT_EQ("\t<item k=\"v\" />\r\n\t<empty />\r\n", Pretty(group, 1));
    EXPECT_EQ("\t\t<item\tk=\"v\" />\r\n\t\t<empty />\r\n", Sugar(group, 2));
    EXPECT_EQ("<item k=\"v\" /><empty />", Compact(group));

    // Output is appended to what the array holds.
    CCharArray out;
    out.AppendText("x");
    group->SaveToCharArray(out);
    EXPECT_EQ("x<item k=\"v\" /><empty />", Str(out));
}

TEST(XmlDocument, LoadBuildsTheTree)
{
    CLeakCheck leaks;
    struct Case
    {
        const char* input;
        const char* tree;
    };
    const Case cases[] = {
        {"", "()''{}"},
        {"<a>x<b/>y</a>", "()''{a()'xy'{b()''{}}}"},
        {"<a><b></c>x</b>z</a>", "()''{a()'z'{b()'x'{}}}"},
        {"</a></><x/></x></x>", "()''{x()''{}}"},
        {"<a><b>", "()''{a()''{b()''{}}}"},
        {"<a b><c$d/><x.y-z:w_1/><?pi?><!-- c --></a>", "()''{a(b=;)''{x.y-z:w_1()''{}}}"},
        {"<a k=\"1\" K=\"2\" j=3/>", "()''{a(j=3;k=2;)''{}}"},
        {"<a><![CDATA[<b>]]></a>", "()''{a()'<b>'{}}"},
        {"<A></a>x</A>y", "()'y'{A()'x'{}}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        CDocRef doc(Load(c.input));
        ASSERT_NE(nullptr, doc.p);
        EXPECT_EQ(1, doc->GetRefCount());
        EXPECT_EQ(c.tree, Dump(doc.p));
    }

    // A prolog and comments change nothing below the document.
    CDocRef bare(Load("<install><file src=\"1\"/></install>"));
    CDocRef full(Load("<?xml version=\"1.0\"?>\r\n<!-- c -->\r\n<install><file src=\"1\"/></install>\r\n"));
    EXPECT_EQ(Dump(bare.p), Dump(full.p));
    EXPECT_EQ(Compact(bare.p), Compact(full.p));

    // The builder's position follows matching end tags only.
    CDocRef doc(new CXMLDocument);
    CXMLCreator creator(doc.p);
    const std::string text = "<a><b></a>";
    ASSERT_TRUE(creator.Parse(text.data(), (unsigned)text.size()));
    EXPECT_EQ(creator.GetCurrentNode()->GetName(), "b");
    ASSERT_TRUE(creator.Parse("</b></a></a>", 12));
    EXPECT_EQ(doc.p, creator.GetCurrentNode());
}

TEST(XmlDocument, DecodedNulEndsAValueUnlessKept)
{
    CLeakCheck leaks;
    struct Case
    {
        const char* input;
        bool keepNul;
        std::string value; // of v, as stored
        const char* saved;
    };
    const Case cases[] = {
        {"<a v=\"x&#0;y\"/>", false, "x", "<a v=\"x\" />"},
        {"<a v=\"x&#0;y\"/>", true, std::string("x\0y", 3), "<a v=\"x&#0;y\" />"},
        {"<a v=&#0;&#256;z/>", true, std::string("\0\0z", 3), "<a v=\"&#0;&#0;z\" />"},
        {"<a v=\"&#0;\"/>", false, "", "<a v=\"\" />"},
        // Texts end at a NUL either way.
        {"<a v=\"1\">x&#0;y</a>", true, "1", "<a v=\"1\">x</a>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        CDocRef doc(CXMLDocument::LoadFromMemory(c.input, (unsigned)strlen(c.input), c.keepNul));
        ASSERT_NE(nullptr, doc.p);
        const CSmallString* value = doc->FindNode("a")->GetAttributes().FindValue(CSmallString("V"));
        ASSERT_NE(nullptr, value);
        EXPECT_EQ(c.value, std::string(value->GetText(), (size_t)value->GetLength()));
        EXPECT_EQ(c.saved, Compact(doc.p));
    }
}

// Whole UTF-8 characters are saved as they are; every other byte above 127
// as a reference, so that what is saved reads back to the same bytes.
TEST(XmlDocument, SavedUtf8StaysAndOtherHighBytesAreReferences)
{
    CLeakCheck leaks;
    const struct
    {
        const char* input;
        const char* saved;
    } cases[] = {
        {"<a v=\"caf&#195;&#169; &lt;\"/>", "<a v=\"caf\xC3\xA9 &lt;\" />"},
        {"<a v=\"\xD0\x92\xE4\xB8\xAD\xF0\x9F\x98\x80\"/>", "<a v=\"\xD0\x92\xE4\xB8\xAD\xF0\x9F\x98\x80\" />"},
        {"<a v=\"caf&#233;\"/>", "<a v=\"caf&#233;\" />"},               // Windows-1252, not UTF-8
        {"<a v=\"x&#195;\"/>", "<a v=\"x&#195;\" />"},                   // cut short
        {"<a v=\"&#192;&#128;&#237;&#160;&#128;\"/>", "<a v=\"&#192;&#128;&#237;&#160;&#128;\" />"}, // overlong, surrogate
        {"<a v=\"&#153;\xC3\xA9&#10;x\"/>", "<a v=\"&#153;\xC3\xA9&#10;x\" />"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        CDocRef doc(CXMLDocument::LoadFromMemory(c.input, (unsigned)strlen(c.input), false));
        ASSERT_NE(nullptr, doc.p);
        const std::string saved = Compact(doc.p);
        EXPECT_EQ(c.saved, saved);
        CDocRef again(CXMLDocument::LoadFromMemory(saved.c_str(), (unsigned)saved.size(), false));
        ASSERT_NE(nullptr, again.p);
        EXPECT_EQ(Compact(again.p), saved);
        EXPECT_STREQ(doc->FindNode("a")->GetAttributes().FindValue(CSmallString("v"))->GetText(),
                     again->FindNode("a")->GetAttributes().FindValue(CSmallString("v"))->GetText());
    }
}

TEST(XmlDocument, ManyDistinctNamesAndValues)
{
    // Many elements, each naming its attributes anew: a later spelling of a
    // name replaces the earlier value, and an empty value is kept.
    CLeakCheck leaks;
    std::string input = "<root>";
    for (int i = 0; i < 1500; i++) {
        const std::string n = std::to_string(i);
        input += "<e" + n + " k" + n + "=\"v" + n + "\" K" + n + "=\"w" + n + "\" x=\"\"/>";
    }
    input += "</root>";
    CDocRef doc(Load(input));
    ASSERT_NE(nullptr, doc.p);
    const CXMLNode* root = doc->FindNode("root");
    ASSERT_EQ(1500u, root->GetChildCount());
    for (int i = 0; i < 1500; i += 7) {
        const std::string n = std::to_string(i);
        const CXMLNode* e = root->GetChild((unsigned)i);
        EXPECT_EQ(e->GetName(), ("e" + n).c_str());
        ASSERT_EQ(2u, e->GetAttributeCount());
        EXPECT_STREQ(("w" + n).c_str(), e->GetAttributeValue(("k" + n).c_str()));
        EXPECT_STREQ("", e->GetAttributeValue("X"));
    }
}

TEST(XmlDocument, LoadedNodesOutliveTheirDocument)
{
    // Elements kept past their document lose their parent, nothing else.
    CLeakCheck leaks;
    std::string input = "<root>";
    for (int i = 0; i < 3000; i++)
        input += "<e id=\"" + std::to_string(i) + "\" kind=\"file\" dest=\"%APP%x.dll\"/>";
    input += "</root>";
    CXMLNode* kept[3];
    {
        CDocRef doc(Load(input));
        ASSERT_NE(nullptr, doc.p);
        const CXMLNode* root = doc->FindNode("root");
        ASSERT_EQ(3000u, root->GetChildCount());
        for (int i = 0; i < 3; i++) {
            kept[i] = root->GetChild((unsigned)i * 1499);
            kept[i]->AddRef();
        }
    }
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(nullptr, kept[i]->GetParent());
        EXPECT_EQ(kept[i]->GetName(), "e");
        EXPECT_STREQ(std::to_string(i * 1499).c_str(), kept[i]->GetAttributeValue("ID"));
    }
    // Equal values loaded into different nodes change independently, and a
    // loaded node takes more attributes.
    kept[1]->SetAttribute("kind", "folder");
    for (int i = 0; i < 8; i++)
        kept[1]->SetAttribute(("extra" + std::to_string(i)).c_str(), "x");
    EXPECT_STREQ("file", kept[0]->GetAttributeValue("kind"));
    EXPECT_STREQ("file", kept[2]->GetAttributeValue("kind"));
    EXPECT_STREQ("folder", kept[1]->GetAttributeValue("KIND"));
    EXPECT_EQ(11u, kept[1]->GetAttributeCount());
    EXPECT_STREQ("%APP%x.dll", kept[1]->GetAttributeValue("dest"));
    for (CXMLNode* node : kept)
        node->Release();
}

TEST(XmlDocument, RoundTripKeepsTheTree)
{
    CLeakCheck leaks;
    CDocRef doc(Load(g_szScript));
    ASSERT_NE(nullptr, doc.p);
    const CXMLNode* install = doc->FindNode("install");
    ASSERT_NE(nullptr, install);
    EXPECT_EQ(8u, install->GetChildCount());
    EXPECT_EQ(Trimmed(install->FindNode("app-name")->GetText()), "Demo & Co \x99");
    EXPECT_EQ(Trimmed(install->FindNode("terms")->GetText()), "Line one\r\nLine two: \"quoted\" <tag> caf\xE9");
    EXPECT_EQ(install->FindNode("run-command")->GetText(), "cmd /c echo <done> & exit");
    EXPECT_STREQ("%APP%", install->FindNodePath("registry")->GetAttributeValue("VALUE"));

    typedef std::string (*Writer)(const CXMLNode*);
    const Writer writers[] = {Compact, [](const CXMLNode* n) { return Pretty(n); },
                              [](const CXMLNode* n) { return Sugar(n); }};
    for (Writer write : writers) {
        const std::string saved = write(doc.p);
        CDocRef again(Load(saved));
        ASSERT_NE(nullptr, again.p);
        EXPECT_EQ(Dump(doc.p), Dump(again.p));
        EXPECT_EQ(saved, write(again.p)) << "a saved document saves again unchanged";
    }
}

TEST(XmlDocument, EscapedTextRoundTripsExactly)
{
    // Every byte but NUL, framed so that trimming and whitespace folding
    // have nothing to do: the only raw whitespace written is one space.
    std::string all = "[";
    for (int b = 1; b < 256; b++)
        all += (char)b;
    all += "]";
    const std::string reversed(all.rbegin(), all.rend());

    CDocRef doc(new CXMLDocument);
    CXMLNode* n = doc->CreateNewChildPath("root|n");
    n->SetAttribute("all", all.c_str());
    n->SetAttribute("reversed", reversed.c_str());
    n->SetText(all.c_str());
    n->CreateNewChildPath("leaf")->SetText(reversed.c_str());

    for (const std::string& saved : {Compact(doc.p), Pretty(doc.p), Sugar(doc.p)}) {
        CDocRef again(Load(saved));
        ASSERT_NE(nullptr, again.p);
        const CXMLNode* m = again->FindNodePath("root|n");
        ASSERT_NE(nullptr, m);
        EXPECT_EQ(all, m->GetAttributeValue("ALL"));
        EXPECT_EQ(reversed, m->GetAttributeValue("reversed"));
        EXPECT_EQ(all, Trimmed(m->GetText()));
        EXPECT_EQ(reversed, Trimmed(m->FindNode("leaf")->GetText()));
    }
}

TEST(XmlDocument, DeepTreesNeedNoStack)
{
    CLeakCheck leaks;
    const unsigned depth = 200000;
    std::string input;
    for (unsigned i = 0; i < depth; i++)
        input += "<a>";
    CDocRef doc(Load(input));
    ASSERT_NE(nullptr, doc.p);
    unsigned levels = 0;
    for (const CXMLNode* n = doc.p; n->GetChildCount(); n = n->GetChild(0))
        levels++;
    EXPECT_EQ(depth, levels);

    std::string expected;
    for (unsigned i = 1; i < depth; i++)
        expected += "<a>";
    expected += "<a />";
    for (unsigned i = 1; i < depth; i++)
        expected += "</a>";
    EXPECT_EQ(expected, Compact(doc.p));

    // Level i takes i tabs, but never more than 64, on its start and end
    // lines ("<a>\r\n", "</a>\r\n"); the innermost is one "<a />\r\n" line.
    const std::string pretty = Pretty(doc.p);
    size_t size = 64 + 7;
    for (size_t i = 0; i < depth - 1; i++)
        size += 2 * std::min<size_t>(i, 64) + 5 + 6;
    EXPECT_EQ(size, pretty.size());
    CDocRef back(Load(pretty));
    EXPECT_EQ(expected, Compact(back.p));

    // Attribute lines stop at the same cap.
    std::string withAttributes;
    for (unsigned i = 0; i < 100; i++)
        withAttributes += "<a x=\"1\" y=\"2\">";
    CDocRef attributed(Load(withAttributes));
    const std::string sugar = Sugar(attributed.p);
    EXPECT_NE(std::string::npos, sugar.find("\r\n" + std::string(64, '\t') + "y=")) << sugar.substr(0, 2000);
    EXPECT_EQ(std::string::npos, sugar.find(std::string(65, '\t')));
}

TEST(XmlDocument, OutOfMemoryGivesNullWithoutLeaks)
{
    const std::string script = g_szScript;
    bool loaded = false;
    for (int k = 0; !loaded && k < 5000; k++) {
        CLeakCheck leaks;
        leaks.FailAt(k);
        CXMLDocument* doc = Load(script);
        leaks.FailAt(-1);
        if (doc) {
            loaded = true;
            EXPECT_EQ(8u, doc->FindNode("install")->GetChildCount());
            doc->Release();
        }
    }
    EXPECT_TRUE(loaded);

    CTempDir dir;
    CDocRef doc(Load(script));
    bool saved = false;
    for (int k = 0; !saved && k < 5000; k++) {
        CLeakCheck leaks;
        leaks.FailAt(k);
        saved = doc->SavePretty(dir.File("s.xml").c_str());
        leaks.FailAt(-1);
    }
    EXPECT_TRUE(saved);
}

TEST(XmlDocument, FilesLoadAndSave)
{
    CTempDir dir;
    CDocRef doc(Load(g_szScript));
    ASSERT_NE(nullptr, doc.p);
    const std::string compact = dir.File("compact.xml"), pretty = dir.File("pretty.xml"), sugar = dir.File("sugar.xml");
    ASSERT_TRUE(doc->Save(compact.c_str()));
    ASSERT_TRUE(doc->SavePretty(pretty.c_str()));
    ASSERT_TRUE(doc->SavePrettyWithSugarOnTop(sugar.c_str()));
    const std::vector<unsigned char> bytes = ReadBytes(compact);
    EXPECT_EQ(Compact(doc.p), std::string(bytes.begin(), bytes.end()));
    const std::vector<unsigned char> sugarBytes = ReadBytes(sugar);
    EXPECT_EQ(Sugar(doc.p), std::string(sugarBytes.begin(), sugarBytes.end()));
    for (const std::string& path : {compact, pretty, sugar}) {
        CDocRef back(CXMLDocument::Load(path.c_str()));
        ASSERT_NE(nullptr, back.p) << path;
        EXPECT_EQ(Dump(doc.p), Dump(back.p));
    }

    EXPECT_EQ(nullptr, CXMLDocument::Load(dir.File("missing.xml").c_str()));
    EXPECT_EQ(nullptr, CXMLDocument::Load(dir.Path().c_str()));
    EXPECT_EQ(nullptr, CXMLDocument::Load(nullptr));
    EXPECT_FALSE(doc->Save(dir.File("no/such/folder.xml").c_str()));
    EXPECT_FALSE(doc->SavePretty(dir.Path().c_str()));

    // An empty file is an empty document.
    WriteText(dir.File("empty.xml"), "");
    CDocRef empty(CXMLDocument::Load(dir.File("empty.xml").c_str()));
    ASSERT_NE(nullptr, empty.p);
    EXPECT_EQ(0u, empty->GetChildCount());
}

TEST(FileText, ExistsLoadAndWrite)
{
    CTempDir dir;
    const std::string path = dir.File("t.bin");
    EXPECT_FALSE(FileExists(path.c_str()));
    EXPECT_FALSE(FileExists(dir.Path().c_str()));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists(nullptr));

    const char bytes[] = {'a', 0, 'b', '\r', '\n'};
    ASSERT_TRUE(WriteStringToFile(path.c_str(), bytes, sizeof(bytes)));
    EXPECT_TRUE(FileExists(path.c_str()));
    CSmallString text("stale");
    ASSERT_TRUE(LoadFileIntoString(path.c_str(), text));
    ASSERT_EQ((int)sizeof(bytes), text.GetLength());
    EXPECT_EQ(0, memcmp(bytes, text.GetText(), sizeof(bytes)));

    ASSERT_TRUE(WriteStringToFile(path.c_str(), "short")); // truncates
    ASSERT_TRUE(LoadFileIntoString(path.c_str(), text));
    EXPECT_EQ(text, "short");

    text = "stale";
    EXPECT_FALSE(LoadFileIntoString(dir.File("missing").c_str(), text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(LoadFileIntoString(dir.Path().c_str(), text));
    EXPECT_FALSE(WriteStringToFile(dir.File("no/such/file").c_str(), "x"));
    EXPECT_FALSE(WriteStringToFile(dir.Path().c_str(), "x"));
    EXPECT_FALSE(WriteStringToFile(nullptr, "x"));
}
