// The uninstall log kxpack generates from an install script: what each
// command leaves to take back, in an order in which each step can succeed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RegistryKeyPath.h"
#include "UninstallLogGen.h"
#include "XMLDocument.h"
#include "XMLWellFormed.h"

namespace {

// The log's elements as "name attr=value ...", attributes in the order
// the generator writes them (path or section first) read back by name.
std::vector<std::string> Elements(const std::string& log)
{
    std::vector<std::string> out;
    CXMLDocument* doc = CXMLDocument::LoadFromMemory(log.data(), (unsigned)log.size());
    const CXMLNode* section = doc ? doc->FindNode("uninstall") : nullptr;
    for (unsigned i = 0; section && i < section->GetChildCount(); i++) {
        const CXMLNode* e = section->GetChild(i);
        std::string line = e->GetName().GetText();
        for (const char* name : {"folder", "name", "section", "path", "if-empty"})
            if (const char* value = e->GetAttributeValue(name))
                line += std::string(" ") + name + "=" + value;
        if (!e->GetText().IsEmpty())
            line += std::string(" ") + e->GetText().GetText();
        out.push_back(line);
    }
    if (doc)
        doc->Release();
    return out;
}

// What every generated log ends with: the engine's own files, the folders
// below the installation's, it, then the others.
std::vector<std::string> Tail(std::vector<std::string> lines, std::vector<std::string> folders = {},
                              std::vector<std::string> others = {})
{
    lines.insert(lines.end(), {"remove-file path=%APP%uninstall.exe", "remove-file path=%APP%uninstall.dat"});
    folders.push_back("%APP%");
    folders.insert(folders.end(), others.begin(), others.end());
    for (const std::string& folder : folders)
        lines.push_back("remove-folder path=" + folder + " if-empty=yes");
    return lines;
}

const char kHead[] = "<uninstall-display-name>App</uninstall-display-name>";
const char kEntry[] = "remove-reg-key section=HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                      "Uninstall\\App";

} // namespace

TEST(UninstallLogGen, ScriptsBecomeLogs)
{
    const struct
    {
        const char* what;
        std::string body; // inside <install>
        std::vector<std::string> log;
        unsigned notes;
    } cases[] = {
        {"settings: app-name, uninstall-url and finish-at-restart copied, the entry named by uninstall-key",
         "<app-name>A &amp; B</app-name><uninstall-url>http://x/bye</uninstall-url>"
         "<finish-at-restart>yes</finish-at-restart>"
         "<uninstall-key>AppKey</uninstall-key><uninstall-display-name>App</uninstall-display-name>",
         Tail({"app-name A & B", "uninstall-url http://x/bye", "finish-at-restart yes",
               "remove-reg-key section=HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\"
               "Uninstall\\AppKey"}),
         0},
        {"shortcuts once each, not those the installation refuses",
         std::string(kHead) + "<shortcut folder=\"Desktop\" name=\"App\" target=\"%APP%a.exe\"/>"
                              "<shortcut folder=\"Programs\" name=\"App\" target=\"%APP%a.exe\"/>"
                              "<shortcut folder=\"desktop\" name=\"APP\" target=\"%APP%b.exe\"/>"
                              "<shortcut folder=\"Desktop\" name=\"..\\Other\" target=\"%APP%a.exe\"/>",
         Tail({"remove-shortcut folder=Desktop name=App", "remove-shortcut folder=Programs name=App", kEntry}), 0},
        {"per-user: the user's classes and entry",
         std::string(kHead) + "<scope> user </scope><association extension=\".app\" progid=\"App.Doc\"/>",
         Tail({"remove-reg-key section=HKEY_CURRENT_USER\\Software\\Classes\\.app",
               "remove-reg-key section=HKEY_CURRENT_USER\\Software\\Classes\\App.Doc",
               "remove-reg-key section=HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
               "Uninstall\\App"}),
         0},
        {"associations: both keys in the machine's classes, never a shared one",
         std::string(kHead) + "<association extension=\".app\" progid=\"App.Doc\" exe=\"%APP%a.exe\"/>"
                              "<association extension=\".dir\" progid=\"Directory\" exe=\"%APP%a.exe\"/>"
                              "<association extension=\"app\" progid=\"App.Bad\" exe=\"%APP%a.exe\"/>",
         Tail({"remove-reg-key section=HKEY_LOCAL_MACHINE\\Software\\Classes\\.app",
               "remove-reg-key section=HKEY_LOCAL_MACHINE\\Software\\Classes\\App.Doc",
               "remove-reg-key section=HKEY_LOCAL_MACHINE\\Software\\Classes\\.dir", kEntry}),
         0},
        {"values, then their keys deepest first, each only when empty, an entry whole; shared keys never",
         std::string(kHead) +
             "<reg-key section=\"HKEY_CURRENT_USER\\Software\\Vendor\\App\" name=\"Greeting\" value=\"hi\"/>"
             "<reg-key section=\"hkey_current_user\\\\Software\\Vendor\\App\\\" value=\"default\"/>"
             "<reg-key section=\"HKEY_CURRENT_USER\\Software\\Vendor\\App\\Deep\\Deeper\" name=\"x\" value=\"1\"/>"
             "<reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\" "
             "name=\"App\" value=\"%APP%a.exe\"/>"
             "<reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\Vendor\" name=\"v\" value=\"1\"/>"
             "<reg-key section=\"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\a.exe\" "
             "value=\"%APP%a.exe\"/>"
             "<reg-key section=\"HKEY_CLASSES_ROOT\\.x\" value=\"never written\"/>",
         Tail({"remove-reg-key name=Greeting section=HKEY_CURRENT_USER\\Software\\Vendor\\App",
               "remove-reg-key name= section=HKEY_CURRENT_USER\\Software\\Vendor\\App",
               "remove-reg-key name=x section=HKEY_CURRENT_USER\\Software\\Vendor\\App\\Deep\\Deeper",
               "remove-reg-key name=App section=HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
               "remove-reg-key name=v section=HKEY_LOCAL_MACHINE\\Software\\Vendor",
               "remove-reg-key name= section=HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App "
               "Paths\\a.exe",
               // A registration goes whole, under the uninstaller's entry rules.
               "remove-reg-key section=HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App "
               "Paths\\a.exe",
               "remove-reg-key section=HKEY_CURRENT_USER\\Software\\Vendor\\App\\Deep\\Deeper if-empty=yes",
               "remove-reg-key section=HKEY_CURRENT_USER\\Software\\Vendor\\App\\Deep if-empty=yes",
               "remove-reg-key section=HKEY_CURRENT_USER\\Software\\Vendor\\App if-empty=yes",
               "remove-reg-key section=HKEY_CURRENT_USER\\Software\\Vendor if-empty=yes",
               "remove-reg-key section=HKEY_LOCAL_MACHINE\\Software\\Vendor if-empty=yes", kEntry}),
         0},
        {"files as the script spells them, their folders deepest first, the installation's last",
         std::string(kHead) + "<file id=\"0\" name=\"a.exe\" dest=\"%APP%\"/>"
                              "<file id=\"1\" name=\"b.dll\" dest=\"%app%\\bin\\\"/>"
                              "<file id=\"2\" name=\"c.dat\" dest=\"%APP%bin/./plugins\\deep\\..\\x\"/>"
                              "<file id=\"3\" name=\"s.dll\" dest=\"%CommonProgramFiles%\\Vendor\\Shared\"/>"
                              "<file id=\"4\" name=\"u.dll\" dest=\"%APP%..\\Up\"/>"
                              "<file id=\"5\" name=\"..\\bad\" dest=\"%APP%\"/>"
                              "<file id=\"6\" name=\"r.txt\" dest=\"relative\\folder\"/>"
                              "<run-command cmd=\"%windir%\\system32\\cmd.exe\" parameters=\"/c echo\"/>"
                              "<broadcast-message id=\"7\"/>",
         Tail({kEntry, "remove-file path=%APP%a.exe", "remove-file path=%APP%bin\\b.dll",
               "remove-file path=%APP%bin\\plugins\\x\\c.dat", "remove-file path=%APP%install.log"},
              {"%APP%bin\\plugins\\x", "%APP%bin\\plugins", "%APP%bin"},
              {"%CommonProgramFiles%\\Vendor\\Shared", "%CommonProgramFiles%\\Vendor"}),
         1}, // files outside %APP% stay: said
        {"registered DLLs can't be unregistered by an uninstaller without a package: said",
         std::string(kHead) + "<register-dll id=\"0\"/><file id=\"1\" name=\"c.dll\" dest=\"%APP%\"/>",
         Tail({kEntry, "remove-file path=%APP%c.dll"}), 1},
    };
    for (const auto& c : cases) {
        const std::string script = "<install>" + c.body + "</install>";
        CXMLDocument* doc = CXMLDocument::LoadFromMemory(script.data(), (unsigned)script.size());
        ASSERT_NE(nullptr, doc) << c.what;
        ASSERT_TRUE(WantsGeneratedLog(doc->FindNode("install"))) << c.what;
        std::vector<std::string> notes;
        const std::string log = GenerateUninstallLog(doc->FindNode("install"), nullptr, notes);
        doc->Release();
        SXMLProblem problem;
        EXPECT_TRUE(CheckXMLWellFormed(log.data(), (unsigned)log.size(), true, problem))
            << c.what << ": " << problem.szMessage << "\n"
            << log;
        EXPECT_EQ(c.log, Elements(log)) << c.what << "\n" << log;
        EXPECT_EQ(c.notes, notes.size()) << c.what;
        // A shared or system key is never removed, whatever the script wrote to.
        for (const std::string& line : Elements(log)) {
            RegistryKeyPath::SKey key;
            const size_t at = line.find("section=");
            if (line.find(" name=") == std::string::npos && at != std::string::npos &&
                RegistryKeyPath::Parse(line.substr(at + 8, line.find(" if-empty=", at) - at - 8).c_str(), key)) {
                const RegistryKeyPath::EKind kind = RegistryKeyPath::Classify(key.strSubKey);
                EXPECT_TRUE(kind != RegistryKeyPath::SharedKey && kind != RegistryKeyPath::SystemTree &&
                            kind != RegistryKeyPath::TopLevel && kind != RegistryKeyPath::Root)
                    << c.what << ": " << line;
            }
        }
    }
}
