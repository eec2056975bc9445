// kxpack build --icon and --version-info, read back from the installers
// they make: the texts and numbers, the icon's images, everything else of
// the stub as it was; and the inputs they refuse. kxpack stub writes the
// same stub alone, which build packs as it is once signed.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "KxPackRun.h"
#include "PackageStream.h"
#include "PeHeaders.h"
#include "PeResources.h"
#include "TestFiles.h"
#include "resource.h"

namespace {

typedef std::vector<unsigned char> Bytes;

Bytes TinyStub() { return ReadBytes(std::string(KX_SOURCE_DIR) + "/tests/core/data/stub/tiny.exe"); }

Bytes Bitmap(unsigned char fill)
{
    Bytes image(40 + 64, fill);
    Pe::WriteU32(image.data(), 40);
    return image;
}

Bytes Png(unsigned char fill)
{
    Bytes image = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    image.resize(300, fill);
    return image;
}

Bytes Ico(const std::vector<Bytes>& images, uint16_t type = 1)
{
    Bytes ico(6 + 16 * images.size());
    Pe::WriteU16(&ico[2], type);
    Pe::WriteU16(&ico[4], (uint16_t)images.size());
    for (size_t i = 0; i < images.size(); i++) {
        unsigned char* entry = &ico[6 + 16 * i];
        entry[0] = entry[1] = (unsigned char)(16 * (i + 1));
        Pe::WriteU16(entry + 4, 1);
        Pe::WriteU16(entry + 6, 32);
        Pe::WriteU32(entry + 8, (uint32_t)images[i].size());
        Pe::WriteU32(entry + 12, (uint32_t)ico.size());
        ico.insert(ico.end(), images[i].begin(), images[i].end());
        Pe::WriteU32(&ico[6 + 16 * i + 12], (uint32_t)(ico.size() - images[i].size()));
    }
    return ico;
}

const SResource* Find(const CResourceList& list, uint32_t type, uint32_t name)
{
    for (const SResource& r : list)
        if (!r.type.bNamed && r.type.uId == type && !r.name.bNamed && r.name.uId == name)
            return &r;
    return nullptr;
}

// The texts of a VERSIONINFO, by key, and its fixed part, walked block by
// block as the format lays them out.
struct SVersionRead
{
    std::map<std::string, std::u16string> texts;
    Bytes fixed, translation;
};

void WalkVersionBlock(const unsigned char* p, size_t size, SVersionRead& read)
{
    const size_t length = Pe::ReadU16(p), valueLength = Pe::ReadU16(p + 2), type = Pe::ReadU16(p + 4);
    ASSERT_LE(length, size);
    std::string key;
    size_t at = 6;
    for (; Pe::ReadU16(p + at); at += 2)
        key += (char)p[at];
    at = (at + 2 + 3) / 4 * 4;
    const size_t valueBytes = type == 1 ? 2 * valueLength : valueLength;
    if (key == "VS_VERSION_INFO")
        read.fixed.assign(p + at, p + at + valueBytes);
    else if (key == "Translation")
        read.translation.assign(p + at, p + at + valueBytes);
    else if (type == 1 && valueLength)
        for (size_t i = 0; i + 1 < valueLength; i++)
            read.texts[key] += (char16_t)Pe::ReadU16(p + at + 2 * i);
    for (at = (at + valueBytes + 3) / 4 * 4; at < length; at = (at + Pe::ReadU16(p + at) + 3) / 4 * 4)
        WalkVersionBlock(p + at, length - at, read);
}

std::string Version(const Bytes& fixed, unsigned at)
{
    const uint32_t high = Pe::ReadU32(&fixed[at]), low = Pe::ReadU32(&fixed[at + 4]);
    return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." + std::to_string(low >> 16) + "." +
           std::to_string(low & 0xFFFF);
}

// A manifest around its execution level: up to the level's value, the
// value, the blanks after its closing quote, and the rest.
struct SLevelSplit
{
    std::string before, value, gap, rest;
};

SLevelSplit SplitAtLevel(const Bytes& manifest)
{
    const std::string text(manifest.begin(), manifest.end());
    const size_t value = text.find("level=\"") + 7, close = text.find('"', value);
    const size_t rest = text.find_first_not_of(' ', close + 1);
    return {text.substr(0, value), text.substr(value, close - value), text.substr(close + 1, rest - close - 1),
            text.substr(rest)};
}

class StubIdentityTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_tiny = TinyStub();
        ASSERT_GT(m_tiny.size(), 1024u);
        WriteBytes(dir.File("tiny.exe"), m_tiny);
        WriteBytes(dir.File("app.ico"), Ico({Bitmap(0x11), Png(0x22), Bitmap(0x33)}));
    }

    KxPackResult Build(const std::string& script, std::vector<std::string> options, const std::string& stub = "")
    {
        WriteText(dir.File("setup.xml"), script);
        std::vector<std::string> args = {"build", "--stub", stub.empty() ? dir.File("tiny.exe") : stub, "--script",
                                         dir.File("setup.xml"), "-o", dir.File("setup.exe")};
        args.insert(args.end(), options.begin(), options.end());
        return RunKxPack(args);
    }

    Bytes BuiltStub()
    {
        CPackageStream stream;
        EXPECT_TRUE(stream.Open(dir.File("setup.exe").c_str()));
        const Bytes installer = ReadBytes(dir.File("setup.exe"));
        return Bytes(installer.begin(), installer.begin() + (size_t)stream.GetStubSize());
    }

    CTempDir dir;
    Bytes m_tiny;
};

const char kScript[] = "<install><app-name>Tiny</app-name><version>2.1</version>"
                       "<uninstall-publisher>Tiny Co</uninstall-publisher>"
                       "<uninstall-display-name>Tiny Display</uninstall-display-name></install>";
const char kUserScript[] = "<install><app-name>Tiny</app-name><scope>user</scope></install>";

// Where in the file the section that starts at address begins.
uint32_t RawOffsetOf(const Bytes& stub, const SPeHeaders& pe, uint32_t address)
{
    for (unsigned i = 0; i < pe.uSectionCount; i++) {
        const unsigned char* section = &stub[pe.uSectionTable + Pe::kSectionHeaderSize * i];
        if (Pe::ReadU32(section + 12) == address)
            return Pe::ReadU32(section + 20);
    }
    return 0;
}

} // namespace

TEST_F(StubIdentityTest, ResourcesReadBack)
{
    struct SCase
    {
        const char* name;
        std::string script;
        std::vector<std::string> options;
        std::map<std::string, std::u16string> texts; // empty: must be absent
        const char* numbers;
        bool icon;
    };
    const SCase cases[] = {
        {"defaults from the script",
         kScript,
         {"--icon", dir.File("app.ico"), "--version-info"},
         {{"ProductName", u"Tiny"},
          {"ProductVersion", u"2.1"},
          {"FileVersion", u"2.1"},
          {"CompanyName", u"Tiny Co"},
          {"FileDescription", u"Tiny Setup"},
          {"LegalCopyright", u""}},
         "2.1.0.0",
         true},
        {"the display name without app-name; a version with a suffix",
         "<install><uninstall-display-name> Tiny Display </uninstall-display-name><version>1.0.3b</version></install>",
         {"--version-info"},
         {{"ProductName", u"Tiny Display"}, {"FileDescription", u"Tiny Display Setup"}, {"CompanyName", u""}},
         "1.0.3.0",
         false},
        {"options override the script, in UTF-8 or else Windows-1252",
         kScript,
         {"--product-name", "Caf\xC3\xA9", "--product-version", "3.4.5.6-rc1", "--company", "Other Co",
          "--description", "Installs Other", "--copyright", "\xA9 Other Co \x80", "--icon", dir.File("app.ico")},
         {{"ProductName", u"Caf\u00E9"},
          {"ProductVersion", u"3.4.5.6-rc1"},
          {"CompanyName", u"Other Co"},
          {"FileDescription", u"Installs Other"},
          {"LegalCopyright", u"\u00A9 Other Co \u20AC"}},
         "3.4.5.6",
         true},
    };
    CResourceList original;
    ASSERT_EQ(nullptr, ReadStubResources(m_tiny, original));
    const SResource* oldGroup = Find(original, 14, IDI_SETUP);
    ASSERT_NE(nullptr, oldGroup);
    const std::vector<Bytes> images = {Bitmap(0x11), Png(0x22), Bitmap(0x33)};

    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        const KxPackResult r = Build(c.script, c.options);
        ASSERT_EQ(0, r.code) << r.err;
        const Bytes stub = BuiltStub();
        CResourceList resources;
        ASSERT_EQ(nullptr, ReadStubResources(stub, resources));

        SPeHeaders pe;
        ASSERT_EQ(nullptr, ReadPeHeaders(stub.data(), stub.size(), pe));
        EXPECT_EQ(Pe::ReadU32(&stub[pe.uChecksum]), PeChecksum(stub, pe.uChecksum));
        // What becomes uninstall.exe still ends with its image.
        EXPECT_TRUE(HoldsOnlyItsImage(stub.data(), stub.size(), stub.size()));
        // The code, data and old resources stay where the linker put them.
        const size_t headers = Pe::ReadU32(&m_tiny[pe.uOptionalHeader + 60]);
        EXPECT_TRUE(std::equal(m_tiny.begin() + headers, m_tiny.end(), stub.begin() + headers));

        const SResource* version = Find(resources, 16, 1);
        ASSERT_NE(nullptr, version);
        EXPECT_EQ(0x409u, version->language.uId);
        SVersionRead read;
        WalkVersionBlock(version->arrData.data(), version->arrData.size(), read);
        ASSERT_EQ(52u, read.fixed.size());
        EXPECT_EQ(0xFEEF04BDu, Pe::ReadU32(&read.fixed[0]));
        EXPECT_EQ(c.numbers, Version(read.fixed, 8));
        EXPECT_EQ(c.numbers, Version(read.fixed, 16));
        EXPECT_EQ((Bytes{0x09, 0x04, 0xB0, 0x04}), read.translation);
        for (const auto& text : c.texts) {
            if (text.second.empty())
                EXPECT_EQ(0u, read.texts.count(text.first)) << text.first;
            else
                EXPECT_EQ(text.second, read.texts[text.first]) << text.first;
        }

        const SResource* group = Find(resources, 14, IDI_SETUP);
        ASSERT_NE(nullptr, group);
        if (!c.icon) {
            EXPECT_EQ(oldGroup->arrData, group->arrData);
            continue;
        }
        const std::vector<uint16_t> ids = ReadIconGroupIds(group->arrData);
        ASSERT_EQ(images.size(), ids.size());
        for (size_t i = 0; i < ids.size(); i++) {
            const SResource* icon = Find(resources, 3, ids[i]);
            ASSERT_NE(nullptr, icon);
            EXPECT_EQ(images[i], icon->arrData) << "image " << i;
            EXPECT_EQ(Pe::ReadU32(&group->arrData[6 + 14 * i + 8]), images[i].size());
        }
        // The rest as it was: the other icon group, its images, the texts in
        // both languages, the manifest, the named resource. The old images go.
        for (const SResource& old : original) {
            const bool replaced = (old.type.uId == 14 && old.name.uId == IDI_SETUP) || old.type.uId == 3;
            if (replaced)
                continue;
            bool kept = false;
            for (const SResource& now : resources)
                kept = kept || (now.type == old.type && now.name == old.name && now.language == old.language &&
                                now.arrData == old.arrData);
            EXPECT_TRUE(kept) << "type " << old.type.uId << " name " << old.name.uId;
        }
        const std::vector<uint16_t> otherIds = ReadIconGroupIds(Find(original, 14, 120)->arrData);
        size_t iconCount = 0;
        for (const SResource& now : resources)
            iconCount += now.type.uId == 3;
        EXPECT_EQ(images.size() + otherIds.size(), iconCount);
        for (uint16_t id : otherIds)
            EXPECT_EQ(Find(original, 3, id)->arrData, Find(resources, 3, id)->arrData);
    }
}

TEST_F(StubIdentityTest, AStubBuiltBeforeIsRebuiltInPlace)
{
    ASSERT_EQ(0, Build(kScript, {"--icon", dir.File("app.ico"), "--version-info"}).code);
    WriteBytes(dir.File("again.exe"), BuiltStub());
    WriteBytes(dir.File("app.ico"), Ico({Png(0x44)}));
    const KxPackResult r = Build(kScript, {"--icon", dir.File("app.ico"), "--product-version", "9"}, dir.File("again.exe"));
    ASSERT_EQ(0, r.code) << r.err;
    const Bytes once = ReadBytes(dir.File("again.exe")), twice = BuiltStub();
    SPeHeaders before, after;
    ASSERT_EQ(nullptr, ReadPeHeaders(once.data(), once.size(), before));
    ASSERT_EQ(nullptr, ReadPeHeaders(twice.data(), twice.size(), after));
    EXPECT_EQ(before.uSectionCount, after.uSectionCount);
    CResourceList resources;
    ASSERT_EQ(nullptr, ReadStubResources(twice, resources));
    const std::vector<uint16_t> ids = ReadIconGroupIds(Find(resources, 14, IDI_SETUP)->arrData);
    ASSERT_EQ(1u, ids.size());
    EXPECT_EQ(Png(0x44), Find(resources, 3, ids[0])->arrData);
}

TEST_F(StubIdentityTest, StubWritesWhatBuildPacks)
{
    struct SCase
    {
        const char* name;
        std::string script;
        std::vector<std::string> options;
    };
    const SCase cases[] = {
        {"icon and details from the script", kScript, {"--icon", dir.File("app.ico"), "--version-info"}},
        {"scope user: asInvoker, a text given", kUserScript, {"--company", "Other Co"}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(0, Build(c.script, c.options).code);
        std::vector<std::string> args = {"stub", "--stub", dir.File("tiny.exe"), "--script", dir.File("setup.xml"),
                                         "-o", dir.File("made.exe")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const KxPackResult r = RunKxPack(args);
        ASSERT_EQ(0, r.code) << r.err;
        EXPECT_EQ(BuiltStub(), ReadBytes(dir.File("made.exe")));
    }
}

TEST_F(StubIdentityTest, ASignedStubIsPackedAsItIsOrLosesItsSignature)
{
    // A certificate table at the stub's end, as signing tools leave it.
    const auto sign = [](Bytes stub) {
        SPeHeaders pe;
        EXPECT_EQ(nullptr, ReadPeHeaders(stub.data(), stub.size(), pe));
        const uint32_t table = (uint32_t)stub.size();
        stub.resize(stub.size() + 64, 0xCE);
        Pe::WriteU32(&stub[pe.uDataDirectories + 8 * Pe::kSecurityDirectory], table);
        Pe::WriteU32(&stub[pe.uDataDirectories + 8 * Pe::kSecurityDirectory + 4], 64);
        return stub;
    };
    // A stub made for scope user, signed.
    ASSERT_EQ(0, Build(kUserScript, {}).code);
    const Bytes userStub = sign(BuiltStub());
    WriteBytes(dir.File("user-signed.exe"), userStub);
    const Bytes machineStub = sign(m_tiny);
    WriteBytes(dir.File("signed.exe"), machineStub);

    struct SCase
    {
        const char* name;
        const char* stub;
        std::string script;
        std::vector<std::string> options;
        const char* level; // null: packed as it is
        const char* note;
    };
    const char* const kept = "packed as it is: uninstall.exe carries its signature";
    const char* const lost = "uninstall.exe will carry no signature: for a signed one, write the stub with kxpack stub";
    const SCase cases[] = {
        {"no options, scope machine", "signed.exe", kScript, {}, nullptr, kept},
        {"made for scope user, built for it", "user-signed.exe", kUserScript, {}, nullptr, kept},
        {"made for scope user, built for choose", "user-signed.exe",
         "<install><app-name>Tiny</app-name><scope>choose</scope></install>", {}, nullptr, kept},
        {"version information", "signed.exe", kScript, {"--version-info"}, "requireAdministrator", lost},
        {"scope user for a stub made for machine", "signed.exe", kUserScript, {}, "asInvoker", lost},
        {"scope machine for a stub made for user", "user-signed.exe", kScript, {}, "requireAdministrator", lost},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        const KxPackResult r = Build(c.script, c.options, dir.File(c.stub));
        ASSERT_EQ(0, r.code) << r.err;
        EXPECT_NE(std::string::npos, r.out.find(c.note)) << r.out;
        const Bytes built = BuiltStub(), given = ReadBytes(dir.File(c.stub));
        if (!c.level) {
            EXPECT_EQ(given, built);
            continue;
        }
        EXPECT_FALSE(NamesCertificate(built.data(), built.size()));
        EXPECT_EQ(built.end(), std::search(built.begin(), built.end(), given.end() - 64, given.end()));
        CResourceList resources;
        ASSERT_EQ(nullptr, ReadStubResources(built, resources));
        EXPECT_EQ(c.level, SplitAtLevel(Find(resources, 24, 1)->arrData).value);
    }
}

TEST_F(StubIdentityTest, RefusalsWriteNothing)
{
    SPeHeaders pe;
    ASSERT_EQ(nullptr, ReadPeHeaders(m_tiny.data(), m_tiny.size(), pe));
    Bytes packedHeaders = m_tiny;
    std::fill_n(&packedHeaders[pe.uSectionTable + pe.uSectionCount * Pe::kSectionHeaderSize], 40, 0xFF);
    Bytes badTree = m_tiny;
    const uint32_t root = RawOffsetOf(m_tiny, pe, Pe::ReadU32(&m_tiny[pe.uDataDirectories + 16]));
    Pe::WriteU16(&badTree[root + 14], 0xFFFF);
    // The manifest's type made another, or its element's name misspelt.
    Bytes noManifest = m_tiny, noLevel = m_tiny;
    for (unsigned i = 0; i < Pe::ReadU16(&m_tiny[root + 14]); i++)
        if (Pe::ReadU32(&m_tiny[root + 16 + 8 * i]) == 24)
            Pe::WriteU32(&noManifest[root + 16 + 8 * i], 0x7F00);
    const std::string element = "requestedExecutionLevel";
    *std::search(noLevel.begin(), noLevel.end(), element.begin(), element.end()) = 'R';
    Bytes outside = Ico({Bitmap(1)});
    Pe::WriteU32(&outside[6 + 8], 5000);

    struct SCase
    {
        const char* name;
        Bytes stub, ico;
        std::vector<std::string> options;
        const char* message;
        std::string script = kScript;
    };
    const SCase cases[] = {
        {"a text for an icon", m_tiny, {'h', 'i', '\n'}, {}, "app.ico: not an icon file"},
        {"a cursor", m_tiny, Ico({Bitmap(1)}, 2), {}, "a cursor, not an icon"},
        {"no image", m_tiny, Ico({}), {}, "holds no image"},
        {"an image past the end", m_tiny, outside, {}, "outside the icon file"},
        {"an image of nothing known", m_tiny, Ico({Bytes(64, 0x7F)}), {}, "neither a PNG nor a bitmap"},
        {"a stub that isn't a program", Bytes{'M', 'Z', 0}, Ico({Bitmap(1)}), {}, "not a Windows program"},
        {"no room for a section header", packedHeaders, Ico({Bitmap(1)}), {}, "no room for another section"},
        {"a damaged resource tree", badTree, Ico({Bitmap(1)}), {}, "a resource directory is cut short"},
        {"a version number over 65535", m_tiny, Ico({Bitmap(1)}), {"--product-version", "1.70000"}, "over 65535"},
        {"five version numbers", m_tiny, Ico({Bitmap(1)}), {"--product-version", "1.2.3.4.5"}, "more than four"},
        {"scope user, a stub without a manifest", noManifest, {}, {}, "it has no manifest", kUserScript},
        {"scope user, a manifest without a level", noLevel, {}, {}, "no requestedExecutionLevel", kUserScript},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(dir.File("stub.exe"), c.stub);
        WriteBytes(dir.File("app.ico"), c.ico);
        std::vector<std::string> options = c.options;
        if (!c.ico.empty())
            options.insert(options.end(), {"--icon", dir.File("app.ico")});
        const KxPackResult r = Build(c.script, options, dir.File("stub.exe"));
        EXPECT_EQ(1, r.code);
        EXPECT_NE(std::string::npos, r.err.find(c.message)) << r.err;
        EXPECT_FALSE(PathExists(dir.File("setup.exe")));
    }

    // kxpack stub refuses alike, and what it can't be given.
    WriteText(dir.File("bad.xml"), "<install><scope>everyone</scope></install>");
    struct SStubCase
    {
        const char* name;
        std::vector<std::string> args;
        int code;
        const char* message;
    };
    const SStubCase stubCases[] = {
        {"no -o", {"--stub", dir.File("tiny.exe")}, 2, "stub needs --stub and -o"},
        {"an item without a script", {"--stub", dir.File("tiny.exe"), "--item", dir.File("app.ico"), "-o",
                                      dir.File("setup.exe")}, 2, "--item only with --script"},
        {"over the stub it reads", {"--stub", dir.File("tiny.exe"), "-o", dir.File("tiny.exe")}, 1,
         "refusing to overwrite"},
        {"a script with errors", {"--stub", dir.File("tiny.exe"), "--script", dir.File("bad.xml"), "-o",
                                  dir.File("setup.exe")}, 1, "nothing written"},
    };
    for (const SStubCase& c : stubCases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"stub"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const KxPackResult r = RunKxPack(args);
        EXPECT_EQ(c.code, r.code);
        EXPECT_NE(std::string::npos, r.err.find(c.message)) << r.err;
        EXPECT_FALSE(PathExists(dir.File("setup.exe")));
    }
    EXPECT_EQ(m_tiny, ReadBytes(dir.File("tiny.exe")));
}

TEST_F(StubIdentityTest, ScopeUserAsksForNoAdministratorRights)
{
    struct SCase
    {
        const char* name;
        const char* scope;
        std::vector<std::string> options;
        const char* level;
    };
    const SCase cases[] = {
        {"no scope", "", {}, "requireAdministrator"},
        {"machine", "<scope>machine</scope>", {}, "requireAdministrator"},
        {"user", "<scope>user</scope>", {}, "asInvoker"},
        {"choose: elevated only when every user is chosen", "<scope>choose</scope>", {}, "asInvoker"},
        {"user in another case, blanks around", "<scope> User </scope>", {}, "asInvoker"},
        {"user from a file", "<scope src=\"scope.txt\"/>", {}, "asInvoker"},
        {"user, with version information", "<scope>user</scope>", {"--version-info"}, "asInvoker"},
    };
    WriteText(dir.File("scope.txt"), "user\n");
    CResourceList original;
    ASSERT_EQ(nullptr, ReadStubResources(m_tiny, original));
    ASSERT_NE(nullptr, Find(original, 24, 1));
    const Bytes manifest = Find(original, 24, 1)->arrData;
    const SLevelSplit was = SplitAtLevel(manifest);
    ASSERT_EQ("requireAdministrator", was.value);
    const size_t manifestAt =
        std::search(m_tiny.begin(), m_tiny.end(), manifest.begin(), manifest.end()) - m_tiny.begin();
    SPeHeaders pe;
    ASSERT_EQ(nullptr, ReadPeHeaders(m_tiny.data(), m_tiny.size(), pe));

    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        const KxPackResult r =
            Build(std::string("<install><app-name>Tiny</app-name>") + c.scope + "</install>", c.options);
        ASSERT_EQ(0, r.code) << r.err;
        const Bytes stub = BuiltStub();
        CResourceList resources;
        ASSERT_EQ(nullptr, ReadStubResources(stub, resources));
        const SResource* built = Find(resources, 24, 1);
        ASSERT_NE(nullptr, built);
        // Only the level changes, and the manifest keeps its size.
        const SLevelSplit now = SplitAtLevel(built->arrData);
        EXPECT_EQ(c.level, now.value);
        EXPECT_EQ(was.before, now.before);
        EXPECT_EQ(was.rest, now.rest);
        EXPECT_FALSE(now.gap.empty());
        EXPECT_EQ(manifest.size(), built->arrData.size());
        EXPECT_EQ(Pe::ReadU32(&stub[pe.uChecksum]), PeChecksum(stub, pe.uChecksum));
        if (!c.options.empty())
            continue;
        // Without other resources to add, nothing else of the stub changes.
        Bytes expected = m_tiny;
        std::copy(built->arrData.begin(), built->arrData.end(), expected.begin() + manifestAt);
        std::copy_n(&stub[pe.uChecksum], 4, &expected[pe.uChecksum]);
        EXPECT_EQ(expected, stub);
    }
}
