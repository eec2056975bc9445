// Runs cut short: a journal left as a killed run leaves it (written by the
// journal itself, never ended) is taken back by RecoverInterruptedRuns only
// when the registry names it, its run is gone and it is this
// application's; and then only what is still as the run left it.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "FileIdentity.h"
#include "Journal.h"
#include "Recovery.h"
#include "RunJournal.h"
#include "WineTestEnv.h"

namespace {

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetString(const std::string& key, const char* name, const char* value)
{
    HKEY h;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr));
    RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), (DWORD)strlen(value) + 1);
    RegCloseKey(h);
}

// A file written as the installation writes one: announced, made new,
// noted, written whole.
void WriteAnnounced(CInstallJournal& journal, const std::string& path, const std::string& text,
                    const CSmallString& backup = CSmallString())
{
    journal.BeforeFile(path.c_str(), backup);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    journal.NoteMade(path.c_str(), file, false);
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, nullptr);
    journal.NoteMade(path.c_str(), file, true);
    CloseHandle(file);
}

// A value written as reg-key writes one: captured, announced, written, noted.
void WriteValue(CInstallJournal& journal, const CTestRegKey& key, const std::string& below, const char* name,
                const char* value)
{
    const std::string subkey = key.SubKey() + below;
    const SRegistryBefore before = CaptureRegistry(HKEY_CURRENT_USER, "HKEY_CURRENT_USER", subkey.c_str(), name);
    journal.BeforeValue(before);
    SetString(subkey, name, value);
    journal.AddRegistry(before, true);
}

struct SCase
{
    const char* pszName;
    // What the killed run did, then what happened since (another run, the
    // user), then what the next run must find.
    std::function<void(CInstallJournal&, const CTestFolder&, const CTestRegKey&)> run;
    std::function<void(const CTestFolder&, const CTestRegKey&)> since, expect;
    bool bFollowed = true; // the journal is taken back and goes
};

std::string Unique(const char* what)
{
    static int s_counter = 0;
    return std::string("KxRecoveryTest-") + what + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(s_counter++);
}

SRunHeader Header(const std::string& app, const CTestFolder& dir)
{
    SRunHeader header;
    header.strKind = kRunInstall;
    header.strApp = app.c_str();
    header.strName = app.c_str();
    header.strFolder = dir.Path().c_str();
    return header;
}

// between: after the run was cut short, before the next one; held, when
// given, is let go before the folder is cleaned up.
void RunCase(const SCase& c, const std::function<void(std::string& folder)>& between = nullptr,
             CAutoHandle* held = nullptr)
{
    SCOPED_TRACE(c.pszName);
    CTestFolder dir;
    CTestRegKey key;
    const std::string app = Unique("app");
    std::string folder;
    {
        CInstallJournal journal;
        journal.Begin(Header(app, dir));
        folder = journal.GetFolder().GetText();
        c.run(journal, dir, key);
        // Cut short here: never rolled back nor committed.
    }
    ASSERT_TRUE(Exists(folder + kJournalFile));
    if (c.since)
        c.since(dir, key);
    if (between)
        between(folder);
    SRecoveryScope scope;
    scope.strApp = app.c_str();
    RecoverInterruptedRuns(scope, nullptr);
    c.expect(dir, key);
    EXPECT_EQ(!c.bFollowed, Exists(folder)) << folder;
    if (held)
        held->Close();
    // Whatever the case left, the next one starts clean.
    RemoveTestTree(folder);
    UnmarkRunFolder(folder.c_str());
}

} // namespace

TEST(Recovery, TakesBackOnlyWhatIsStillAsTheRunLeftIt)
{
    const SCase cases[] = {
        {"files written, then nothing else",
         [](CInstallJournal& j, const CTestFolder& d, const CTestRegKey&) {
             j.BeforeFolder((d / "made").c_str());
             CreateDirectoryA((d / "made").c_str(), nullptr);
             WriteAnnounced(j, d / "made\\new.txt", "new");
         },
         nullptr,
         [](const CTestFolder& d, const CTestRegKey&) {
             EXPECT_FALSE(Exists(d / "made\\new.txt"));
             EXPECT_FALSE(Exists(d / "made"));
         }},
        {"a file replaced, then nothing else: the one it replaced comes back",
         [](CInstallJournal& j, const CTestFolder& d, const CTestRegKey&) {
             WriteWholeFile(d / "old.txt", "the user's");
             CSmallString backup;
             DWORD error = 0;
             ASSERT_TRUE(j.SetAside((d / "old.txt").c_str(), backup, error));
             WriteAnnounced(j, d / "old.txt", "the run's", backup);
         },
         nullptr,
         [](const CTestFolder& d, const CTestRegKey&) { EXPECT_EQ("the user's", ReadWholeFile(d / "old.txt")); }},
        {"a file written, then replaced by another run: left",
         [](CInstallJournal& j, const CTestFolder& d, const CTestRegKey&) { WriteAnnounced(j, d / "new.txt", "run"); },
         [](const CTestFolder& d, const CTestRegKey&) {
             DeleteFileA((d / "new.txt").c_str());
             WriteWholeFile(d / "new.txt", "another run's");
         },
         [](const CTestFolder& d, const CTestRegKey&) { EXPECT_EQ("another run's", ReadWholeFile(d / "new.txt")); }},
        {"a file replaced, then replaced again by another run: that one stays, the first is dropped",
         [](CInstallJournal& j, const CTestFolder& d, const CTestRegKey&) {
             WriteWholeFile(d / "old.txt", "the user's");
             CSmallString backup;
             DWORD error = 0;
             ASSERT_TRUE(j.SetAside((d / "old.txt").c_str(), backup, error));
             WriteAnnounced(j, d / "old.txt", "the run's", backup);
         },
         [](const CTestFolder& d, const CTestRegKey&) {
             DeleteFileA((d / "old.txt").c_str());
             WriteWholeFile(d / "old.txt", "another run's");
         },
         [](const CTestFolder& d, const CTestRegKey&) { EXPECT_EQ("another run's", ReadWholeFile(d / "old.txt")); }},
        {"cut short between making a file and noting it: an empty one goes",
         [](CInstallJournal& j, const CTestFolder& d, const CTestRegKey&) {
             j.BeforeFile((d / "empty.txt").c_str(), CSmallString());
             WriteWholeFile(d / "empty.txt", "");
         },
         nullptr, [](const CTestFolder& d, const CTestRegKey&) { EXPECT_FALSE(Exists(d / "empty.txt")); }},
        {"announced but never made: a file there with content is not the run's",
         [](CInstallJournal& j, const CTestFolder& d, const CTestRegKey&) {
             WriteWholeFile(d / "kept.txt", "someone's");
             j.BeforeFile((d / "kept.txt").c_str(), CSmallString());
         },
         nullptr,
         [](const CTestFolder& d, const CTestRegKey&) { EXPECT_EQ("someone's", ReadWholeFile(d / "kept.txt")); }},
        {"files announced ahead together in a folder the run made, cut short among them: what it made goes",
         [](CInstallJournal& j, const CTestFolder& d, const CTestRegKey&) {
             j.BeforeFolder((d / "made").c_str());
             CreateDirectoryA((d / "made").c_str(), nullptr);
             const auto plan = [&](std::initializer_list<const char*> names) {
                 Container::CArray<CSmallString> planned;
                 for (const char* name : names)
                     planned.Add((d / (std::string("made\\") + name)).c_str());
                 j.PlanFiles(planned);
             };
             plan({"twice.txt", "a.txt", "b.txt", "later.txt", "never.txt"});
             WriteAnnounced(j, d / "made\\twice.txt", "first");
             WriteAnnounced(j, d / "made\\a.txt", "a");
             // Written again: the run's own file set aside first.
             plan({"twice.txt"});
             CSmallString backup;
             DWORD error = 0;
             j.BeforeFile((d / "made\\twice.txt").c_str(), CSmallString());
             ASSERT_TRUE(j.SetAside((d / "made\\twice.txt").c_str(), backup, error));
             WriteAnnounced(j, d / "made\\twice.txt", "second", backup);
             // Made, not yet noted.
             j.BeforeFile((d / "made\\b.txt").c_str(), CSmallString());
             WriteWholeFile(d / "made\\b.txt", "");
         },
         [](const CTestFolder& d, const CTestRegKey&) { WriteWholeFile(d / "made\\later.txt", "written since"); },
         [](const CTestFolder& d, const CTestRegKey&) {
             for (const char* gone : {"twice.txt", "a.txt", "b.txt", "never.txt"})
                 EXPECT_FALSE(Exists(d / (std::string("made\\") + gone))) << gone;
             EXPECT_EQ("written since", ReadWholeFile(d / "made\\later.txt"));
         }},
        {"values written, one of them changed since: that one and its key stay",
         [](CInstallJournal& j, const CTestFolder&, const CTestRegKey& k) {
             SetString(k.SubKey(), "existing", "before");
             WriteValue(j, k, "", "existing", "run");
             WriteValue(j, k, "", "added", "run");
             WriteValue(j, k, "\\Created", "mine", "run");
             WriteValue(j, k, "\\Created", "theirs", "run");
         },
         [](const CTestFolder&, const CTestRegKey& k) { SetString(k.SubKey() + "\\Created", "theirs", "changed"); },
         [](const CTestFolder&, const CTestRegKey& k) {
             EXPECT_EQ("before", RegString(HKEY_CURRENT_USER, k.SubKey(), "existing"));
             EXPECT_EQ("<missing>", RegString(HKEY_CURRENT_USER, k.SubKey(), "added"));
             EXPECT_EQ("<missing>", RegString(HKEY_CURRENT_USER, k.SubKey() + "\\Created", "mine"));
             EXPECT_EQ("changed", RegString(HKEY_CURRENT_USER, k.SubKey() + "\\Created", "theirs"));
         }},
        {"values written, then another installation completed in the folder: they are left to it",
         [](CInstallJournal& j, const CTestFolder& d, const CTestRegKey& k) {
             j.NoteSeen((d / "uninstall.dat").c_str());
             WriteValue(j, k, "\\Created", "v", "run");
         },
         [](const CTestFolder& d, const CTestRegKey&) { WriteWholeFile(d / "uninstall.dat", "<uninstall/>"); },
         [](const CTestFolder&, const CTestRegKey& k) {
             EXPECT_EQ("run", RegString(HKEY_CURRENT_USER, k.SubKey() + "\\Created", "v"));
         }},
        {"values written, the folder's uninstall log as the run found it: they go",
         [](CInstallJournal& j, const CTestFolder& d, const CTestRegKey& k) {
             WriteWholeFile(d / "uninstall.dat", "<uninstall/>");
             j.NoteSeen((d / "uninstall.dat").c_str());
             WriteValue(j, k, "\\Created", "v", "run");
         },
         nullptr,
         [](const CTestFolder& d, const CTestRegKey& k) {
             EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, k.SubKey() + "\\Created"));
             EXPECT_TRUE(Exists(d / "uninstall.dat"));
         }},
        {"a key created, nothing else in it since: it goes",
         [](CInstallJournal& j, const CTestFolder&, const CTestRegKey& k) {
             WriteValue(j, k, "\\Created\\Below", "v", "run");
         },
         nullptr,
         [](const CTestFolder&, const CTestRegKey& k) {
             EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, k.SubKey() + "\\Created"));
         }},
        {"committed: nothing is undone, the file it replaced goes",
         [](CInstallJournal& j, const CTestFolder& d, const CTestRegKey& k) {
             WriteWholeFile(d / "old.txt", "the user's");
             CSmallString backup;
             DWORD error = 0;
             ASSERT_TRUE(j.SetAside((d / "old.txt").c_str(), backup, error));
             WriteAnnounced(j, d / "old.txt", "the run's", backup);
             WriteValue(j, k, "", "added", "run");
             j.MarkCommitted();
         },
         nullptr,
         [](const CTestFolder& d, const CTestRegKey& k) {
             EXPECT_EQ("the run's", ReadWholeFile(d / "old.txt"));
             EXPECT_EQ("run", RegString(HKEY_CURRENT_USER, k.SubKey(), "added"));
         }},
    };
    for (const SCase& c : cases)
        RunCase(c);
}

TEST(Recovery, FollowsOnlyAJournalTheRegistryNamesOfThisApplicationWhoseRunHasGone)
{
    const auto run = [](CInstallJournal& j, const CTestFolder& d, const CTestRegKey&) {
        WriteAnnounced(j, d / "new.txt", "run");
    };
    const auto untouched = [](const CTestFolder& d, const CTestRegKey&) {
        EXPECT_EQ("run", ReadWholeFile(d / "new.txt"));
    };
    SCase c = {"", run, nullptr, untouched, false};

    c.pszName = "not named by the registry (anyone could have made the folder)";
    RunCase(c, [](std::string& folder) { UnmarkRunFolder(folder.c_str()); });

    c.pszName = "another application's";
    RunCase(c, [](std::string& folder) {
        const std::string path = folder + kJournalFile;
        std::string text = ReadWholeFile(path);
        for (size_t at; (at = text.find("KxRecoveryTest-app")) != std::string::npos;)
            text.replace(at, 18, "KxRecoveryTest-xyz");
        WriteWholeFile(path, text);
    });

    CAutoHandle held;
    c.pszName = "its run still holds it";
    RunCase(
        c,
        [&](std::string& folder) {
            held.Reset(CreateFileA((folder + kJournalFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(held.IsValid());
        },
        &held);
}

// The identity the undo compares, asked of the volume once per folder:
// the same as the whole query gives, for each file of two folders.
TEST(Recovery, FileIdentitiesAskTheVolumeOncePerFolderAndStayExact)
{
    CTestFolder dir;
    CreateDirectoryA((dir.Path() + "a").c_str(), nullptr);
    CreateDirectoryA((dir.Path() + "b").c_str(), nullptr);
    CFileIdentities identities;
    for (const char* name : {"a\\1.txt", "a\\2.txt", "b\\3.txt", "a\\4.txt", "b\\5.txt"}) {
        const std::string path = dir.Path() + name;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << name;
        DWORD written = 0;
        WriteFile(file, name, (DWORD)strlen(name), &written, nullptr);
        BY_HANDLE_FILE_INFORMATION info;
        ASSERT_TRUE(GetFileInformationByHandle(file, &info));
        SFileIdentity identity;
        ASSERT_TRUE(identities.Get(path.c_str(), file, identity)) << name;
        CloseHandle(file);
        EXPECT_EQ(info.dwVolumeSerialNumber, identity.dwVolume) << name;
        EXPECT_EQ(info.nFileIndexHigh, identity.dwIndexHigh) << name;
        EXPECT_EQ(info.nFileIndexLow, identity.dwIndexLow) << name;
        EXPECT_EQ(strlen(name), identity.ullSize) << name;
    }
}
