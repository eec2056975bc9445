// Build-time variables, from outside: each script is checked and built
// with its -D options, and the installer's script and uninstall log are
// read back with kxpack extract.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KxPackRun.h"
#include "ReleasePtr.h"
#include "TestFiles.h"
#include "XMLDocument.h"

namespace {

std::string ReadText(const std::string& path)
{
    const std::vector<unsigned char> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// What "element" (its text) or "element@attribute" holds in the first such
// child of the root; "(none)" when there is none.
std::string Read(const std::string& xml, const std::string& what)
{
    const CReleasePtr<CXMLDocument> doc(CXMLDocument::LoadFromMemory(xml.data(), (unsigned)xml.size()));
    const CXMLNode* root = doc && doc->GetChildCount() ? doc->GetChild(0) : nullptr;
    const size_t at = what.find('@');
    const CXMLNode* element = root ? root->FindNode(what.substr(0, at).c_str()) : nullptr;
    const char* value = !element                    ? nullptr
                        : at == std::string::npos ? element->GetText().GetText()
                                                  : element->GetAttributeValue(what.substr(at + 1).c_str());
    return value ? value : "(none)";
}

} // namespace

TEST(KxPackVariables, ReplacedBeforeAnythingReadsTheScript)
{
    CTempDir dir;
    WriteText(dir.File("stub.exe"), "MZ stub");
    WriteText(dir.File("terms-2.txt"), "terms of version 2");
    const std::string logName = dir.File("log.xml");
    const struct
    {
        const char* what;
        std::vector<std::string> defines;
        std::string script; // <install> and its first line come before it
        std::string log;    // the <uninstaller src="log.xml"/>'s; empty: none
        int code;           // of check (0 or 2); build's is 0 or 1
        const char* read;   // what the packed script holds ("log:" the log), or null
        std::string expect; // what it reads, or a line of the findings
    } cases[] = {
        {"on the command line", {"-D", "V=1.2"}, "<version>${V}</version>", "", 0, "version", "1.2"},
        {"joined to -D", {"-DV=1.3"}, "<version>${V}</version>", "", 0, "version", "1.3"},
        {"--define", {"--define", "V=1.4"}, "<version>${V}</version>", "", 0, "version", "1.4"},
        {"in the script, after its use", {}, "<version>${V}</version><define name=\"V\" value=\"2.0\"/>", "", 0,
         "version", "2.0"},
        {"-D overrides, in any case", {"-D", "v=3"}, "<define name=\"V\" value=\"2.0\"/><version>${V}</version>", "",
         0, "version", "3"},
        {"a value of variables", {"-D", "MINOR=7"},
         "<define name=\"V\" value=\"${MAJOR}.${MINOR}\"/><define name=\"MAJOR\" value=\"4\"/><version>${V}</version>",
         "", 0, "version", "4.7"},
        {"a -D of a <define>", {"-D", "V=${MAJOR}.1"}, "<define name=\"MAJOR\" value=\"5\"/><version>${V}</version>",
         "", 0, "version", "5.1"},
        {"replaced once", {"-D", "V=$${W}", "-D", "W=no"}, "<version>${V}</version>", "", 0, "version", "${W}"},
        {"escape", {"-D", "V=1"}, "<app-name>$${V} is $5, ${V}</app-name>", "", 0, "app-name", "${V} is $5, 1"},
        {"XML's characters from -D, in an attribute", {"-D", "P=Smith & \"Sons\" <x>"},
         "<reg-key section=\"HKEY_CURRENT_USER\\Software\\${P}\" name=\"n\" value=\"v\"/>", "", 0, "reg-key@section",
         "HKEY_CURRENT_USER\\Software\\Smith & \"Sons\" <x>"},
        {"XML's characters from a <define>, in a text",
         {},
         "<define name=\"P\" value=\"a &amp; &quot;b&quot; &lt;c&gt;\"/><app-name>${P}</app-name>",
         "",
         0,
         "app-name",
         "a & \"b\" <c>"},
        {"in CDATA", {"-D", "P=x]]>y"}, "<app-name><![CDATA[${P}]]></app-name>", "", 0, "app-name", "x]]>y"},
        {"src= names the file", {"-D", "V=2"}, "<terms src=\"terms-${V}.txt\"/>", "", 0, "terms@id", "0"},
        {"not in comments", {}, "<!-- ${NOWHERE} --><app-name>A</app-name>", "", 0, "app-name", "A"},
        {"a hand-written log", {}, "<define name=\"V\" value=\"2\"/>",
         "<uninstall><remove-file path=\"%APP%app-${V}.exe\"/></uninstall>", 0, "log:remove-file@path",
         "%APP%app-2.exe"},
        // Faults: at the place written, whatever the values before them on the line.
        {"undefined", {"-D", "VERSION=a longer value"}, "<app-name>${VERSION} ${VERSON}</app-name>", "", 2, nullptr,
         "setup.xml:2:22: error: ${VERSON} is not defined: did you mean ${VERSION}?"},
        {"undefined, nothing near", {}, "<app-name>${ZZ}</app-name>", "", 2, nullptr,
         "setup.xml:2:11: error: ${ZZ} is not defined: define it in the install script with <define name=\"ZZ\""},
        {"a value over lines", {"-D", "V=a\nb\nc"}, "<app-name>${V}</app-name><reg-key nmae=\"${V}\"/>", "", 2,
         nullptr, "setup.xml:2:35: error: <reg-key>: unknown attribute nmae: did you mean name?"},
        {"no name", {}, "<app-name>${not a name}</app-name>", "", 2, nullptr,
         "setup.xml:2:11: error: \"${\" starts a build-time variable"},
        {"a loop", {}, "<define name=\"A\" value=\"${B}\"/><define name=\"B\" value=\"x${A}\"/><app-name>${A}</app-name>",
         "", 2, nullptr, "setup.xml:2:18: error: the value of ${A} leads back to itself: ${A} -> ${B} -> ${A}"},
        {"a loop of -Ds", {"-D", "A=${B}", "-D", "B=${A}"}, "", "", 2, nullptr,
         "error: the value of -D A leads back to itself: ${A} -> ${B} -> ${A}"},
        {"twice", {}, "<define name=\"V\" value=\"1\"/><define name=\"v\" value=\"2\"/>", "", 2, nullptr,
         "setup.xml:2:29: error: <define>: v is defined twice: the first is on line 2"},
        {"a bad <define>", {}, "<define name=\"V\" valeu=\"1\"/>", "", 2, nullptr,
         "setup.xml:2:18: error: <define>: unknown attribute valeu: did you mean value?"},
        {"undefined in the log", {"-D", "VERSION=1"}, "",
         "<uninstall><remove-folder path=\"${VERSION}\"/><remove-file path=\"${VERSON}\"/></uninstall>", 2, nullptr,
         "log.xml:1:65: error: ${VERSON} is not defined: did you mean ${VERSION}?"},
        {"the log's places", {"-D", "V=1"}, "",
         "<uninstall><remove-folder path=\"${V}\"/><remove-file path=\"${V}\" iff=\"1\"/></uninstall>", 2, nullptr,
         "log.xml:1:65: error: <remove-file>: unknown attribute iff"},
        {"a <define> in the log", {}, "", "<uninstall><define name=\"V\" value=\"1\"/></uninstall>", 2, nullptr,
         "log.xml:1:12: error: <define> stands in the install script alone"},
    };
    for (const auto& c : cases) {
        const std::string head = "<install><uninstall-display-name>App</uninstall-display-name>";
        const std::string uninstaller = c.log.empty() ? "" : "<uninstaller src=\"log.xml\"/>";
        WriteText(dir.File("setup.xml"), head + uninstaller + "\n" + c.script + "\n</install>\n");
        WriteText(logName, c.log);
        std::vector<std::string> check = {"check", dir.File("setup.xml")};
        check.insert(check.end(), c.defines.begin(), c.defines.end());
        const KxPackResult checked = RunKxPack(check);
        EXPECT_EQ(c.code, checked.code) << c.what << "\n" << checked.err;

        const std::string installer = dir.File("setup.exe"), out = dir.File("out");
        remove(installer.c_str());
        std::vector<std::string> build = {"build", "--stub", dir.File("stub.exe"), "--script", dir.File("setup.xml"),
                                          "-o", installer};
        build.insert(build.end(), c.defines.begin(), c.defines.end());
        const KxPackResult built = RunKxPack(build);
        EXPECT_EQ(c.code ? 1 : 0, built.code) << c.what << "\n" << built.err;
        if (!c.read) {
            EXPECT_NE(std::string::npos, checked.err.find(c.expect)) << c.what << "\n" << checked.err;
            EXPECT_NE(std::string::npos, built.err.find(c.expect)) << c.what << "\n" << built.err;
            EXPECT_FALSE(PathExists(installer)) << c.what;
            continue;
        }
        ASSERT_EQ(0, RunKxPack({"extract", installer, "-o", out, "--force"}).code) << c.what;
        const std::string script = ReadText(out + "/script.xml");
        const bool inLog = std::string(c.read).compare(0, 4, "log:") == 0;
        EXPECT_EQ(c.expect, Read(inLog ? ReadText(out + "/uninstall.xml") : script, c.read + (inLog ? 4 : 0)))
            << c.what << "\n" << script;
        EXPECT_EQ(std::string::npos, script.find("<define")) << c.what << "\n" << script;
    }
}
