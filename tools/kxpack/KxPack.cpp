#include "KxPack.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BuiltInTexts.h"
#include "Exceptions.h"
#include "FileId.h"
#include "BuildVariables.h"
#include "Caught.h"
#include "CommandArgs.h"
#include "OutputFile.h"
#include "PackageFormat.h"
#include "PackageStream.h"
#include "PackageWriter.h"
#include "Translations.h"
#include "PeHeaders.h"
#include "ReleasePtr.h"
#include "ScriptCheck.h"
#include "ScriptDefines.h"
#include "ScriptMarkup.h"
#include "ScriptSources.h"
#include "ScriptWords.h"
#include "FileText.h"
#include "ManifestCommand.h"
#include "StubIdentity.h"
#include "XMLDocument.h"

namespace {

// What extract also writes the uninstall log as.
const char kUninstallLogName[] = "uninstall.xml";

const char kUsage[] =
    "usage: kxpack build --stub STUB --script SCRIPT [--item FILE]... [-D NAME=VALUE]... [--level 0-9] [--force]\n"
    "                    [--compression zlib|lzma] -o OUT [--icon FILE.ico] [--version-info] [--product-name TEXT]\n"
    "                    [--product-version TEXT] [--company TEXT] [--description TEXT] [--copyright TEXT]\n"
    "       kxpack stub --stub STUB [--script SCRIPT [--item FILE]... [-D NAME=VALUE]...] -o OUT\n"
    "                   [--icon FILE.ico] [--version-info] [--product-name TEXT] ... (as build)\n"
    "       kxpack check SCRIPT [--item FILE]... [-D NAME=VALUE]... [--strict]\n"
    "       kxpack list FILE\n"
    "       kxpack extract FILE -o DIR [--force]\n"
    "       kxpack verify FILE\n"
    "       kxpack texts LANGUAGE             a translation file to start from (en: the English)\n"
    "       kxpack manifest FILE --id PUBLISHER.APP --url URL [--winget DIR] [--chocolatey DIR] [--force]\n"
    "                    [--license TEXT] [--short-description TEXT] [--locale TAG] [--version TEXT] ...\n"
    "                    (every option: docs/script-reference.md, kxpack)\n"
    "options may stand before or after the FILE or SCRIPT\n";

// -D NAME=VALUE, also -DNAME=VALUE and --define NAME=VALUE.
const char kDefine[] = "-D";

// The item the script names as its uninstall log, and whether kxpack
// generated it; false when there is none.
bool FindUninstallLog(const CSmallString& script, unsigned itemCount, unsigned& id, bool& generated)
{
    const CReleasePtr<CXMLDocument> doc(CXMLDocument::LoadFromMemory(script, (unsigned)script.GetLength()));
    const CXMLNode* install = doc ? doc->FindNode(Section::Install) : nullptr;
    const CXMLNode* uninstaller = install ? install->FindNode(Setting::Uninstaller) : nullptr;
    const char* mark = uninstaller ? uninstaller->GetAttributeValue(Attr::Generated) : nullptr;
    generated = mark && !strcmp(mark, YesNo::Yes);
    return uninstaller && uninstaller->GetAttributeValue(Attr::Id, id) && id < itemCount;
}

int Usage(FILE* err, const char* why)
{
    fprintf(err, "kxpack: %s\n%s", why, kUsage);
    return 2;
}

int Failure(FILE* err, const char* what)
{
    fprintf(err, "kxpack: %s\n", what);
    return 1;
}

// Reads and checks an installer; on failure prints one line and returns false.
// Opens an installer's package as a stream, so that packages of any size
// are read a piece at a time; on failure prints one line.
bool OpenInstaller(const char* path, CPackageStream& stream, FILE* err)
{
    if (stream.Open(path))
        return true;
    CSmallString line;
    if (stream.IsUnreadable())
        line.Format("cannot read %s", path);
    else
        line.Format("%s: not a valid installer: %s", path, stream.GetFailure());
    Failure(err, line);
    return false;
}

// Counts an item and keeps its first bytes.
class CPeek : public CByteSinkABC
{
public:
    bool Begin(uint32_t length) override
    {
        m_uLength = length;
        m_uKept = 0;
        return true;
    }
    bool Take(const unsigned char* data, uint32_t length) override
    {
        while (length && m_uKept < sizeof(m_achFirst)) {
            m_achFirst[m_uKept++] = *data++;
            length--;
        }
        return true;
    }
    uint32_t m_uLength = 0;
    unsigned m_uKept = 0;
    unsigned char m_achFirst[24];
};

// Every item read and the stream's end checked: the whole package sound.
bool CheckWhole(const char* path, CPackageStream& stream, FILE* err)
{
    CPeek drop;
    for (uint32_t i = 0; i < stream.GetItemCount(); i++)
        if (!stream.CopyItem(i, drop))
            break;
    if (stream.GetFailure() == nullptr && stream.VerifyRest())
        return true;
    CSmallString line;
    line.Format("%s: not a valid installer: %s", path, stream.GetFailure());
    Failure(err, line);
    return false;
}

void PrintLeadingBytes(FILE* out, const CPeek& item)
{
    const unsigned shown = item.m_uKept;
    bool printable = shown > 0;
    for (unsigned i = 0; i < shown && printable; i++)
        printable = isprint(item.m_achFirst[i]) || item.m_achFirst[i] == '\t' || item.m_achFirst[i] == '\r' ||
                    item.m_achFirst[i] == '\n';
    if (printable) {
        fputs("  \"", out);
        for (unsigned i = 0; i < shown; i++)
            fputc(isprint(item.m_achFirst[i]) ? item.m_achFirst[i] : ' ', out);
        fputs(shown < item.m_uLength ? "...\"" : "\"", out);
    } else if (shown) {
        fputs("  (binary:", out);
        for (unsigned i = 0; i < shown && i < 8; i++)
            fprintf(out, " %02x", item.m_achFirst[i]);
        fputs(")", out);
    }
    fputc('\n', out);
}

int ListInstaller(const char* path, FILE* out, FILE* err)
{
    CPackageStream stream;
    if (!OpenInstaller(path, stream, err))
        return 1;
    // The items are listed as they come; a damaged one stops the list.
    fprintf(out, "%s\n", path);
    fprintf(out, "stub:       %llu bytes\n", stream.GetStubSize());
    fprintf(out, "data block: %u bytes, CRC 0x%08X\n", stream.GetBlockSize(), stream.GetCrc());
    fprintf(out, "compression: %s\n", Package::CompressionName(stream.GetCompression()));
    fprintf(out, "script:     %d bytes\n", stream.GetScript().GetLength());
    fprintf(out, "items:      %u\n", stream.GetItemCount());
    unsigned logId = 0;
    bool generated = false;
    if (FindUninstallLog(stream.GetScript(), stream.GetItemCount(), logId, generated))
        fprintf(out, "uninstall log: item %u%s\n", logId,
                generated ? ", generated from the install script by kxpack build" : "");
    for (uint32_t i = 0; i < stream.GetItemCount(); i++) {
        CPeek item;
        if (!stream.CopyItem(i, item))
            return CheckWhole(path, stream, err) ? 0 : 1;
        fprintf(out, "  %4u %12u bytes", i, item.m_uLength);
        PrintLeadingBytes(out, item);
    }
    return CheckWhole(path, stream, err) ? 0 : 1;
}

int VerifyInstaller(const char* path, FILE* out, FILE* err)
{
    CPackageStream stream;
    if (!OpenInstaller(path, stream, err) || !CheckWhole(path, stream, err))
        return 1;
    fprintf(out, "%s: OK (%u items, script %d bytes, CRC 0x%08X)\n", path, stream.GetItemCount(),
            stream.GetScript().GetLength(), stream.GetCrc());
    return 0;
}

// What extract writes: piece 0 is the script, 1 the stub, then the items;
// a piece past them, the uninstall log's second name.
CSmallString ExtractedName(const char* dir, unsigned piece, unsigned itemCount)
{
    const size_t length = strlen(dir);
    const char* separator = length && (dir[length - 1] == '/' || dir[length - 1] == '\\') ? "" : "/";
    CSmallString name;
    if (piece < 2)
        name.Format("%s%s%s", dir, separator, piece ? "stub.exe" : "script.xml");
    else if (piece - 2 < itemCount)
        name.Format("%s%sitem-%u.bin", dir, separator, piece - 2);
    else
        name.Format("%s%s%s", dir, separator, kUninstallLogName);
    return name;
}

// Why the pieces can't go into dir, or empty. Checked for all of them
// before anything is written, so a refusal leaves no half-done extraction.
CSmallString WhyNotExtract(const char* path, const char* dir, unsigned pieces, unsigned itemCount, bool force)
{
    CSmallString why;
    for (unsigned i = 0; i < pieces && why.IsEmpty(); i++) {
        const CSmallString name = ExtractedName(dir, i, itemCount);
        const CSmallString temp = TemporaryNameFor(name);
        // Not even --force may replace what is being read.
        const bool overName = IsSameFile(name, path);
        if (overName || IsSameFile(temp, path))
            why.Format("refusing to overwrite %s: it is the installer being read",
                       overName ? name.GetText() : temp.GetText());
        else if (IsDirectory(name))
            why.Format("cannot extract to %s: a folder has that name", name.GetText());
        else if (!force && NameIsTaken(name))
            why.Format("refusing to overwrite %s (--force replaces existing files)", name.GetText());
    }
    return why;
}

// Writes what comes into an output file, and into a second one when given.
class CToStore : public CByteSinkABC
{
public:
    CToStore(CStoreABC& store, CStoreABC* also) : m_store(store), m_pAlso(also) {}
    bool Take(const unsigned char* data, uint32_t length) override
    {
        m_store.Write(data, length);
        if (m_pAlso)
            m_pAlso->Write(data, length);
        return true;
    }

private:
    CStoreABC& m_store;
    CStoreABC* m_pAlso;
};

int ExtractInstaller(const char* path, const char* dir, bool force, FILE* out, FILE* err)
{
    CPackageStream stream;
    // The whole package is checked first: a damaged one writes nothing.
    if (!OpenInstaller(path, stream, err) || !CheckWhole(path, stream, err))
        return 1;
    const unsigned items = stream.GetItemCount();
    unsigned logId = 0;
    bool generated = false;
    const bool hasLog = FindUninstallLog(stream.GetScript(), items, logId, generated);
    const unsigned pieces = 2 + items;
    const CSmallString refusal = WhyNotExtract(path, dir, pieces + (hasLog ? 1 : 0), items, force);
    if (!refusal.IsEmpty())
        return Failure(err, refusal);
    if (!MakeDirectory(dir))
        return Failure(err, (CSmallString("cannot create the folder ") + dir).GetText());
    for (unsigned i = 0; i < pieces; i++) {
        CSmallString why;
        COutputFile file(ExtractedName(dir, i, items));
        // The uninstall log also under a name that says what it is.
        const bool isLog = hasLog && i == 2 + logId;
        std::unique_ptr<COutputFile> log(isLog ? new COutputFile(ExtractedName(dir, pieces, items)) : nullptr);
        CToStore sink(file.GetStore(), log ? &log->GetStore() : nullptr);
        bool copied = true;
        if (i == 0)
            sink.Take(reinterpret_cast<const unsigned char*>(stream.GetScript().GetText()),
                      (uint32_t)stream.GetScript().GetLength());
        else if (i == 1)
            copied = stream.CopyStub(sink);
        else
            copied = stream.CopyItem(i - 2, sink);
        if (!copied)
            return Failure(err, (CSmallString("cannot read ") + path).GetText());
        if (!file.Commit(why) || (log && !log->Commit(why)))
            return Failure(err, why);
    }
    fprintf(out, "extracted script.xml, stub.exe and %u items into %s\n", items, dir);
    if (hasLog)
        fprintf(out, "the uninstall log (item %u%s) is also %s\n", logId,
                generated ? ", generated from the install script" : "", kUninstallLogName);
    return 0;
}

// Why an output can't be written to out, or empty: it must replace
// neither an input (through the file or its temporary name) nor a folder.
CSmallString WhyNotWrite(const char* out, const std::vector<std::string>& inputs)
{
    CSmallString why;
    const CSmallString temp = TemporaryNameFor(out);
    SFileId outId, tempId;
    const bool outExists = GetFileId(out, outId);
    const bool tempExists = GetFileId(temp, tempId);
    for (size_t i = 0; i < inputs.size() && (outExists || tempExists); i++) {
        SFileId id;
        if (!GetFileId(inputs[i].c_str(), id))
            continue;
        if ((outExists && id == outId) || (tempExists && id == tempId)) {
            why.Format("refusing to overwrite %s: kxpack reads it (choose another -o)", inputs[i].c_str());
            return why;
        }
    }
    if (IsDirectory(out))
        why.Format("cannot write %s: it is a folder", out);
    return why;
}

// What the check of a script found.
enum ECheckResult
{
    CheckClean,
    CheckWarnings,
    CheckErrors,
    CheckUnreadable, // an input could not be read: nothing can be built
};

struct SChecked
{
    ECheckResult eResult = CheckClean;
    CSmallString strCounts; // "2 error(s), 1 warning(s)"
    int nGeneratedLog = -1; // the item of the uninstall log kxpack generated
};

// Reads the script and the --item files, replaces the build-time
// variables, resolves the script's own sources into further items and
// checks the result, printing what it found.
SChecked PrepareScript(const char* scriptPath, const std::vector<const char*>& itemPaths, CBuildVariables& variables,
                       CSmallString& script, CPackItemList& items, std::vector<std::string>& inputs, FILE* err)
{
    SChecked result;
    result.eResult = CheckUnreadable;
    Container::CArray<unsigned char> scriptBytes;
    if (!ReadFileIntoArray(scriptPath, scriptBytes)) {
        Failure(err, (CSmallString("cannot read the script ") + scriptPath).GetText());
        return result;
    }
    for (const char* path : itemPaths) {
        CPackItem item;
        CSmallString why;
        if (!CPackItem::ListFile(path, item, why)) {
            Failure(err, (CSmallString("cannot read the item ") + path + ": " + why).GetText());
            return result;
        }
        items.push_back(std::move(item));
    }
    SCheckedScript checked;
    const CSmallString written(reinterpret_cast<const char*>(scriptBytes.GetData()), (int)scriptBytes.GetSize());
    checked.strWritten = written;
    CScriptReport report(scriptPath);
    // Lines and columns only for a text whose structure the reader takes as written.
    const bool sound = CheckScriptText(written, nullptr, report);
    CScriptPlaces places;
    if (sound) {
        // Before anything else reads the script: every reading sees the values.
        const CScriptPlaces writtenPlaces(written.GetText(), (unsigned)written.GetLength());
        // A script that names none is not parsed once more for them.
        const bool defines = std::string(written.GetText(), (size_t)written.GetLength()).find(Setting::Define) !=
                             std::string::npos;
        const CReleasePtr<CXMLDocument> doc(
            defines ? CXMLDocument::LoadFromMemory(written, (unsigned)written.GetLength(), true) : nullptr);
        variables.TakeDefines(doc ? doc->FindNode(Section::Install) : nullptr, writtenPlaces, report);
        CTextEdits edits;
        checked.strWritten = ReplaceVariables(written, variables, writtenPlaces, report, edits);
        places = CScriptPlaces(checked.strWritten.GetText(), (unsigned)checked.strWritten.GetLength(), nullptr,
                               written.GetText(), (unsigned)written.GetLength(), edits);
    }
    script = checked.strWritten;
    const unsigned before = report.GetErrorCount();
    ResolveScriptSources(scriptPath, script, items, report, inputs, places, checked.arrOrigins,
                         result.nGeneratedLog);
    // What could not be read is never built around, --force or not.
    const bool unreadable = report.GetErrorCount() != before;
    if (sound)
        ReplaceLogVariables(script, items, variables, report, checked.log);
    checked.strPacked = script;
    if (sound)
        CheckScript(checked, places, items, report);
    report.Print(err);
    result.strCounts.Format("%u error(s), %u warning(s)", report.GetErrorCount(), report.GetWarningCount());
    if (!unreadable)
        result.eResult = report.GetErrorCount() ? CheckErrors : report.GetWarningCount() ? CheckWarnings : CheckClean;
    return result;
}

void PrintGenerated(FILE* out, int generatedLog)
{
    if (generatedLog >= 0)
        fprintf(out, "uninstall log: generated from the install script as item %d (the script names no %s)\n",
                generatedLog, Tag(Setting::Uninstaller).c_str());
}

// The -D options given, or false (printed as a bad command line).
bool TakeDefinitions(const CCommandArgs& args, CBuildVariables& variables, FILE* err, int& code)
{
    for (const char* definition : args.Values(kDefine)) {
        std::string why;
        if (!variables.DefineFromCommandLine(definition, why)) {
            code = Usage(err, why.c_str());
            return false;
        }
    }
    return true;
}

int CmdCheck(const CCommandArgs& args, FILE* out, FILE* err)
{
    const char* scriptPath = args.Operands()[0];
    CBuildVariables variables;
    int code = 0;
    if (!TakeDefinitions(args, variables, err, code))
        return code;
    CSmallString script;
    CPackItemList items;
    std::vector<std::string> inputs;
    const SChecked checked = PrepareScript(scriptPath, args.Values("--item"), variables, script, items, inputs, err);
    if (checked.eResult == CheckUnreadable || checked.eResult == CheckErrors) {
        if (!checked.strCounts.IsEmpty())
            fprintf(err, "kxpack: %s: %s\n", scriptPath, checked.strCounts.GetText());
        return 2;
    }
    if (checked.eResult == CheckWarnings && args.Has("--strict")) {
        fprintf(err, "kxpack: %s: %s (--strict counts warnings)\n", scriptPath, checked.strCounts.GetText());
        return 1;
    }
    fprintf(out, "%s: no errors%s (%u items)\n", scriptPath, checked.eResult == CheckWarnings ? ", only warnings" : "",
            (unsigned)items.size());
    PrintGenerated(out, checked.nGeneratedLog);
    return 0;
}

// The stub's bytes, and the inputs no output may overwrite: the stub, the
// items and the icon (the script's own sources are added as it is read).
bool ReadStubAndInputs(const char* stubPath, const std::vector<const char*>& itemPaths,
                       const SIdentityOptions& identity, Container::CArray<unsigned char>& stub,
                       std::vector<std::string>& inputs, FILE* err)
{
    if (!ReadFileIntoArray(stubPath, stub)) {
        Failure(err, (CSmallString("cannot read the stub ") + stubPath).GetText());
        return false;
    }
    inputs.push_back(stubPath);
    inputs.insert(inputs.end(), itemPaths.begin(), itemPaths.end());
    if (identity.pszIcon)
        inputs.push_back(identity.pszIcon);
    return true;
}

int CmdBuild(const CCommandArgs& args, FILE* out, FILE* err)
{
    const char* stubPath = args.Value("--stub");
    const char* scriptPath = args.Value("--script");
    const char* outPath = args.Value("-o");
    const char* levelText = args.Value("--level");
    const char* compressionText = args.Value("--compression");
    const bool force = args.Has("--force");
    const SIdentityOptions identity = ReadIdentityOptions(args);
    const std::vector<const char*> itemPaths = args.Values("--item");
    if (!stubPath || !scriptPath || !outPath)
        return Usage(err, "build needs --stub, --script and -o");
    if (levelText && !(isdigit((unsigned char)levelText[0]) && !levelText[1]))
        return Usage(err, (CSmallString("--level ") + levelText + ": write a level from 0 to 9").GetText());
    const int level = levelText ? levelText[0] - '0' : -1;
    Package::ECompression compression = Package::Zlib;
    // Installers carry programs: LZMA always goes with the x86 filter, which
    // costs next to nothing on other data.
    if (compressionText && !strcmp(compressionText, Package::CompressionName(Package::Lzma)))
        compression = Package::LzmaX86;
    else if (compressionText && strcmp(compressionText, Package::CompressionName(Package::Zlib)))
        return Usage(err, (CSmallString("--compression ") + compressionText + ": write zlib or lzma").GetText());
    CBuildVariables variables;
    int code = 0;
    if (!TakeDefinitions(args, variables, err, code))
        return code;

    Container::CArray<unsigned char> stub;
    std::vector<std::string> inputs = {scriptPath};
    if (!ReadStubAndInputs(stubPath, itemPaths, identity, stub, inputs, err))
        return 1;
    CSmallString script;
    CPackItemList items;
    const SChecked checked = PrepareScript(scriptPath, itemPaths, variables, script, items, inputs, err);
    if (checked.eResult == CheckUnreadable || checked.eResult == CheckErrors) {
        const bool forced = force && checked.eResult == CheckErrors;
        if (!checked.strCounts.IsEmpty())
            fprintf(err, "kxpack: %s: %s: %s\n", scriptPath, checked.strCounts.GetText(),
                    forced                               ? "built anyway (--force)"
                    : checked.eResult == CheckErrors ? "nothing built (--force builds anyway)"
                                                         : "nothing built");
        if (!forced)
            return 1;
    }
    // Only now is every input known, the script's own sources included.
    const CSmallString refusal = WhyNotWrite(outPath, inputs);
    if (!refusal.IsEmpty())
        return Failure(err, refusal);
    CSmallString why;
    // A stub that needs no resources and no other manifest is packed byte
    // for byte: one signed before packing stays signed in uninstall.exe.
    std::vector<unsigned char> edited(stub.GetData(), stub.GetData() + stub.GetSize());
    std::vector<std::string> notes;
    if (!ApplyIdentity(identity, script, items, edited, notes, why))
        return Failure(err, why);
    if (NamesCertificate(stub.GetData(), stub.GetSize()))
        notes.push_back(edited.size() == stub.GetSize() && std::equal(edited.begin(), edited.end(), stub.GetData())
                            ? "the stub is signed and packed as it is: uninstall.exe carries its signature"
                            : "uninstall.exe will carry no signature: for a signed one, write the stub with "
                              "kxpack stub (the same --icon, --version-info and --script), sign it, and build "
                              "from it without --icon and --version-info");
    for (const std::string& note : notes)
        fprintf(out, "kxpack: note: %s\n", note.c_str());
    stub.RemoveAll();
    stub.Append(edited.data(), (unsigned)edited.size());
    uint32_t blockSize = 0;
    bool built = false;
    CSmallString broke;
    const bool ran = RunCaught(
        [&] {
            COutputFile installer(outPath);
            built = BuildPackage(stub, script, items, level, installer.GetStore(), blockSize, why, compression) &&
                    installer.Commit(why);
        },
        broke);
    if (!ran)
        why.Format("cannot write %s: %s", outPath, broke.GetText());
    if (!ran || !built)
        return Failure(err, why);
    const unsigned long long size = (unsigned long long)stub.GetSize() + blockSize + Package::kTrailerSize;
    fprintf(out, "%s: %llu bytes (stub %u, script %d, %u items)\n", outPath, size, stub.GetSize(), script.GetLength(),
            (unsigned)items.size());
    PrintGenerated(out, checked.nGeneratedLog);
    return 0;
}

// The stub as build would put it in front of the package, alone: the
// publisher signs it, and build packs it as it is.
int CmdStub(const CCommandArgs& args, FILE* out, FILE* err)
{
    const char* stubPath = args.Value("--stub");
    const char* scriptPath = args.Value("--script");
    const char* outPath = args.Value("-o");
    const SIdentityOptions identity = ReadIdentityOptions(args);
    const std::vector<const char*> itemPaths = args.Values("--item");
    if (!stubPath || !outPath)
        return Usage(err, "stub needs --stub and -o");
    if (!itemPaths.empty() && !scriptPath)
        return Usage(err, "stub takes --item only with --script");
    CBuildVariables variables;
    int code = 0;
    if (!TakeDefinitions(args, variables, err, code))
        return code;

    Container::CArray<unsigned char> stub;
    std::vector<std::string> inputs;
    if (!ReadStubAndInputs(stubPath, itemPaths, identity, stub, inputs, err))
        return 1;
    CSmallString script;
    CPackItemList items;
    if (scriptPath) {
        inputs.push_back(scriptPath);
        // The texts and the scope are read as build reads them.
        const SChecked checked = PrepareScript(scriptPath, itemPaths, variables, script, items, inputs, err);
        if (checked.eResult == CheckUnreadable || checked.eResult == CheckErrors) {
            if (!checked.strCounts.IsEmpty())
                fprintf(err, "kxpack: %s: %s: nothing written\n", scriptPath, checked.strCounts.GetText());
            return 1;
        }
    }
    const CSmallString refusal = WhyNotWrite(outPath, inputs);
    if (!refusal.IsEmpty())
        return Failure(err, refusal);
    CSmallString why;
    std::vector<unsigned char> edited(stub.GetData(), stub.GetData() + stub.GetSize());
    std::vector<std::string> notes;
    if (!ApplyIdentity(identity, script, items, edited, notes, why))
        return Failure(err, why);
    for (const std::string& note : notes)
        fprintf(out, "kxpack: note: %s\n", note.c_str());
    if (!WriteFileAtomically(outPath, edited.data(), (uint32_t)edited.size(), why))
        return Failure(err, why);
    fprintf(out, "%s: %u bytes; sign it, then build from it%s\n", outPath, (unsigned)edited.size(),
            identity.IsAsked() ? " without --icon and --version-info" : "");
    return 0;
}

int CmdList(const CCommandArgs& args, FILE* out, FILE* err) { return ListInstaller(args.Operands()[0], out, err); }

int CmdVerify(const CCommandArgs& args, FILE* out, FILE* err)
{
    return VerifyInstaller(args.Operands()[0], out, err);
}

int CmdExtract(const CCommandArgs& args, FILE* out, FILE* err)
{
    const char* dir = args.Value("-o");
    if (!dir)
        return Usage(err, "extract needs -o");
    return ExtractInstaller(args.Operands()[0], dir, args.Has("--force"), out, err);
}

int CmdManifest(const CCommandArgs& args, FILE* out, FILE* err)
{
    SManifestOptions options;
    std::string why;
    if (!TakeManifestOptions(args, options, why))
        return Usage(err, why.c_str());
    return RunManifest(options, out, err);
}

int CmdTexts(const CCommandArgs& args, FILE* out, FILE* err)
{
    std::string text;
    if (!WriteTranslationTemplate(args.Operands()[0], text)) {
        std::string known = "en";
        for (unsigned i = 0; i < g_nBuiltInLanguages; i++)
            known += std::string(" ") + g_aBuiltInLanguages[i].pszCode;
        return Failure(err, (std::string("kxpack carries no translation of \"") + args.Operands()[0] +
                             "\"; it has: " + known + ". Start from en.").c_str());
    }
    fputs(text.c_str(), out);
    return 0;
}

struct SCommand
{
    const char* pszName;
    const char* pszOperand; // what its one operand is; null: it takes none
    std::vector<SOptionRule> arrOptions;
    int (*pRun)(const CCommandArgs& args, FILE* out, FILE* err);
};

const std::vector<SCommand>& Commands()
{
    static const std::vector<SCommand> s_commands = [] {
        const SOptionRule define{kDefine, "--define", OptionRepeat};
        const SOptionRule item{"--item", nullptr, OptionRepeat};
        const SOptionRule force{"--force", nullptr, OptionFlag};
        const SOptionRule output{"-o", nullptr, OptionValue};
        std::vector<SOptionRule> build = {{"--stub", nullptr, OptionValue},
                                          {"--script", nullptr, OptionValue},
                                          {"--level", nullptr, OptionValue},
                                          {"--compression", nullptr, OptionValue},
                                          item, define, force, output};
        AddIdentityOptions(build);
        std::vector<SOptionRule> stub = {{"--stub", nullptr, OptionValue}, {"--script", nullptr, OptionValue}, item,
                                         define, output};
        AddIdentityOptions(stub);
        std::vector<SOptionRule> manifest;
        AddManifestOptionRules(manifest);
        return std::vector<SCommand>{
            {"build", nullptr, build, CmdBuild},
            {"stub", nullptr, stub, CmdStub},
            {"check", "a script", {item, define, {"--strict", nullptr, OptionFlag}}, CmdCheck},
            {"list", "an installer", {}, CmdList},
            {"verify", "an installer", {}, CmdVerify},
            {"extract", "an installer", {output, force}, CmdExtract},
            {"manifest", "an installer", manifest, CmdManifest},
            {"texts", "a language code", {}, CmdTexts},
        };
    }();
    return s_commands;
}

} // namespace

int KxPackMain(int argc, char** argv, FILE* out, FILE* err)
{
    if (argc < 2)
        return Usage(err, "no command given");
    const char* name = argv[1];
    if (!strcmp(name, "help") || !strcmp(name, "--help") || !strcmp(name, "-h")) {
        fputs(kUsage, out);
        return 0;
    }
    const SCommand* command = nullptr;
    for (const SCommand& known : Commands())
        if (!strcmp(known.pszName, name))
            command = &known;
    if (!command)
        return Usage(err, (CSmallString("unknown command: ") + name).GetText());
    CCommandArgs args;
    CSmallString why;
    if (!args.Parse(argc, argv, 2, command->arrOptions, command->pszOperand ? 1 : 0, why))
        return Usage(err, why);
    if (command->pszOperand && args.Operands().empty())
        return Usage(err, (CSmallString(name) + " needs " + command->pszOperand).GetText());
    int code = -1;
    const bool ran = RunCaught([&] { code = command->pRun(args, out, err); }, why);
    return ran ? code : Failure(err, why);
}
