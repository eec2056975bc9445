#include "KxPack.h"

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "FileId.h"
#include "OutputFile.h"
#include "PackageFormat.h"
#include "PackageWriter.h"
#include "ScriptCheck.h"
#include "ScriptSources.h"
#include "SinReader.h"

namespace {

const char kUsage[] =
    "usage: kxpack build --stub STUB --script SCRIPT [--item FILE]... [--level 0-9] [--force] -o OUT\n"
    "       kxpack check SCRIPT [--item FILE]...\n"
    "       kxpack list FILE\n"
    "       kxpack extract FILE -o DIR [--force]\n"
    "       kxpack verify FILE\n";

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
bool LoadInstaller(const char* path, CSinReader& reader, uint32_t& crc, uint32_t& blockSize, FILE* err)
{
    Container::CArray<unsigned char> file;
    if (!ReadFileIntoArray(path, file)) {
        Failure(err, (CSmallString("cannot read ") + path).GetText());
        return false;
    }
    RemoveJunkFromTheEndOfTheArray(file);
    if (file.GetSize() >= Package::kTrailerSize) {
        const unsigned char* t = file.GetData() + file.GetSize() - Package::kTrailerSize;
        crc = Package::ReadU32(t);
        blockSize = Package::ReadU32(t + 7);
    }
    if (!reader.ExtractFromDataBlock(file)) {
        CSmallString line;
        line.Format("%s: not a valid installer: %s", path, reader.GetLastFailure());
        Failure(err, line);
        return false;
    }
    return true;
}

void PrintLeadingBytes(FILE* out, const Container::CArray<unsigned char>& item)
{
    const unsigned shown = item.GetSize() < 24 ? item.GetSize() : 24;
    bool printable = shown > 0;
    for (unsigned i = 0; i < shown && printable; i++)
        printable = isprint(item[i]) || item[i] == '\t' || item[i] == '\r' || item[i] == '\n';
    if (printable) {
        fputs("  \"", out);
        for (unsigned i = 0; i < shown; i++)
            fputc(isprint(item[i]) ? item[i] : ' ', out);
        fputs(shown < item.GetSize() ? "...\"" : "\"", out);
    } else if (shown) {
        fputs("  (binary:", out);
        for (unsigned i = 0; i < shown && i < 8; i++)
            fprintf(out, " %02x", item[i]);
        fputs(")", out);
    }
    fputc('\n', out);
}

int CmdList(const char* path, FILE* out, FILE* err)
{
    CSinReader reader;
    uint32_t crc = 0, blockSize = 0;
    if (!LoadInstaller(path, reader, crc, blockSize, err))
        return 1;
    const auto& items = reader.GetItems();
    fprintf(out, "%s\n", path);
    fprintf(out, "stub:       %u bytes\n", reader.GetUninstallerImage().GetSize());
    fprintf(out, "data block: %u bytes, CRC 0x%08X\n", blockSize, crc);
    fprintf(out, "script:     %d bytes\n", reader.GetScriptText().GetLength());
    fprintf(out, "items:      %u\n", items.GetSize());
    for (unsigned i = 0; i < items.GetSize(); i++) {
        fprintf(out, "  %4u %12u bytes", i, items[i].GetSize());
        PrintLeadingBytes(out, items[i]);
    }
    return 0;
}

int CmdVerify(const char* path, FILE* out, FILE* err)
{
    CSinReader reader;
    uint32_t crc = 0, blockSize = 0;
    if (!LoadInstaller(path, reader, crc, blockSize, err))
        return 1;
    fprintf(out, "%s: OK (%u items, script %d bytes, CRC 0x%08X)\n", path, reader.GetItems().GetSize(),
            reader.GetScriptText().GetLength(), crc);
    return 0;
}

// What extract writes: piece 0 is the script, 1 the stub, then the items.
CSmallString ExtractedName(const char* dir, unsigned piece)
{
    const size_t length = strlen(dir);
    const char* separator = length && (dir[length - 1] == '/' || dir[length - 1] == '\\') ? "" : "/";
    CSmallString name;
    if (piece < 2)
        name.Format("%s%s%s", dir, separator, piece ? "stub.exe" : "script.xml");
    else
        name.Format("%s%sitem-%u.bin", dir, separator, piece - 2);
    return name;
}

// Why the pieces can't go into dir, or empty. Checked for all of them
// before anything is written, so a refusal leaves no half-done extraction.
CSmallString WhyNotExtract(const char* path, const char* dir, unsigned pieces, bool force)
{
    CSmallString why;
    for (unsigned i = 0; i < pieces && why.IsEmpty(); i++) {
        const CSmallString name = ExtractedName(dir, i);
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

int CmdExtract(const char* path, const char* dir, bool force, FILE* out, FILE* err)
{
    CSinReader reader;
    uint32_t crc = 0, blockSize = 0;
    if (!LoadInstaller(path, reader, crc, blockSize, err))
        return 1;
    const auto& items = reader.GetItems();
    const unsigned pieces = 2 + items.GetSize();
    const CSmallString refusal = WhyNotExtract(path, dir, pieces, force);
    if (!refusal.IsEmpty())
        return Failure(err, refusal);
    if (!MakeDirectory(dir))
        return Failure(err, (CSmallString("cannot create the folder ") + dir).GetText());
    for (unsigned i = 0; i < pieces; i++) {
        const void* data;
        uint32_t size;
        if (i == 0) {
            data = reader.GetScriptText().GetText();
            size = (uint32_t)reader.GetScriptText().GetLength();
        } else if (i == 1) {
            data = reader.GetUninstallerImage().GetData();
            size = reader.GetUninstallerImage().GetSize();
        } else {
            data = items[i - 2].GetData();
            size = items[i - 2].GetSize();
        }
        CSmallString why;
        if (!WriteFileAtomically(ExtractedName(dir, i), data, size, why))
            return Failure(err, why);
    }
    fprintf(out, "extracted script.xml, stub.exe and %u items into %s\n", items.GetSize(), dir);
    return 0;
}

// Why the installer can't be written to out, or empty: it must replace
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
            why.Format("refusing to overwrite %s: the build reads it (choose another -o)", inputs[i].c_str());
            return why;
        }
    }
    if (IsDirectory(out))
        why.Format("cannot write %s: it is a folder", out);
    return why;
}

// Reads the script and the --item files, resolves the script's own
// sources into further items and checks the result. False when anything
// could not be read or the check found errors.
bool PrepareScript(const char* scriptPath, const Container::CArray<const char*>& itemPaths, CSmallString& script,
                   CPackItemList& items, std::vector<std::string>& inputs, FILE* err, bool force = false)
{
    Container::CArray<unsigned char> scriptBytes;
    if (!ReadFileIntoArray(scriptPath, scriptBytes)) {
        Failure(err, (CSmallString("cannot read the script ") + scriptPath).GetText());
        return false;
    }
    for (unsigned i = 0; i < itemPaths.GetSize(); i++) {
        CPackItem item;
        CSmallString why;
        if (!CPackItem::ListFile(itemPaths[i], item, why)) {
            Failure(err, (CSmallString("cannot read the item ") + itemPaths[i] + ": " + why).GetText());
            return false;
        }
        items.push_back(std::move(item));
    }
    script = CSmallString(reinterpret_cast<const char*>(scriptBytes.GetData()), (int)scriptBytes.GetSize());
    CScriptReport report(scriptPath);
    ResolveScriptSources(scriptPath, script, items, report, inputs);
    // What could not be read is never built around, --force or not.
    const unsigned unreadable = report.GetErrorCount();
    CheckScript(script, items, report);
    report.Print(err);
    if (report.GetErrorCount()) {
        const bool forced = force && !unreadable;
        fprintf(err, "kxpack: %s: %u error(s), %u warning(s)%s\n", scriptPath, report.GetErrorCount(),
                report.GetWarningCount(), forced ? ": built anyway (--force)" : "");
        return forced;
    }
    return true;
}

int CmdCheck(int argc, char** argv, FILE* out, FILE* err)
{
    Container::CArray<const char*> itemPaths;
    for (int i = 3; i < argc; i++) {
        if (strcmp(argv[i], "--item") != 0 || i + 1 >= argc)
            return Usage(err, (CSmallString("unexpected argument: ") + argv[i]).GetText());
        itemPaths.Add(argv[++i]);
    }
    CSmallString script;
    CPackItemList items;
    std::vector<std::string> inputs;
    if (!PrepareScript(argv[2], itemPaths, script, items, inputs, err))
        return 1;
    fprintf(out, "%s: no errors (%u items)\n", argv[2], (unsigned)items.size());
    return 0;
}

int CmdBuild(int argc, char** argv, FILE* out, FILE* err)
{
    const char* stubPath = nullptr;
    const char* scriptPath = nullptr;
    const char* outPath = nullptr;
    int level = 9;
    bool force = false;
    Container::CArray<const char*> itemPaths;
    for (int i = 2; i < argc; i++) {
        const bool hasValue = i + 1 < argc;
        if (!strcmp(argv[i], "--force"))
            force = true;
        else if (!strcmp(argv[i], "--stub") && hasValue)
            stubPath = argv[++i];
        else if (!strcmp(argv[i], "--script") && hasValue)
            scriptPath = argv[++i];
        else if (!strcmp(argv[i], "--item") && hasValue)
            itemPaths.Add(argv[++i]);
        else if (!strcmp(argv[i], "-o") && hasValue)
            outPath = argv[++i];
        else if (!strcmp(argv[i], "--level") && hasValue && isdigit((unsigned char)argv[i + 1][0]) && !argv[i + 1][1])
            level = argv[++i][0] - '0';
        else
            return Usage(err, (CSmallString("unexpected argument: ") + argv[i]).GetText());
    }
    if (!stubPath || !scriptPath || !outPath)
        return Usage(err, "build needs --stub, --script and -o");

    Container::CArray<unsigned char> stub;
    if (!ReadFileIntoArray(stubPath, stub))
        return Failure(err, (CSmallString("cannot read the stub ") + stubPath).GetText());
    std::vector<std::string> inputs = {stubPath, scriptPath};
    inputs.insert(inputs.end(), itemPaths.GetData(), itemPaths.GetData() + itemPaths.GetSize());
    CSmallString script;
    CPackItemList items;
    if (!PrepareScript(scriptPath, itemPaths, script, items, inputs, err, force))
        return 1;
    // Only now is every input known, the script's own sources included.
    const CSmallString refusal = WhyNotWrite(outPath, inputs);
    if (!refusal.IsEmpty())
        return Failure(err, refusal);
    uint32_t blockSize = 0;
    CSmallString why;
    try {
        COutputFile installer(outPath);
        if (!BuildPackage(stub, script, items, level, installer.GetStore(), blockSize, why) || !installer.Commit(why))
            return Failure(err, why);
    } catch (CBaseException* e) {
        why.Format("cannot write %s: %s", outPath, e->GetError());
        e->Delete();
        return Failure(err, why);
    }
    const unsigned long long size = (unsigned long long)stub.GetSize() + blockSize + Package::kTrailerSize;
    fprintf(out, "%s: %llu bytes (stub %u, script %d, %u items)\n", outPath, size, stub.GetSize(), script.GetLength(),
            (unsigned)items.size());
    return 0;
}

int ParseExtract(int argc, char** argv, FILE* out, FILE* err)
{
    const char* dir = nullptr;
    bool force = false;
    for (int i = 3; i < argc; i++) {
        if (!strcmp(argv[i], "-o") && i + 1 < argc && !dir)
            dir = argv[++i];
        else if (!strcmp(argv[i], "--force") && !force)
            force = true;
        else
            return Usage(err, (CSmallString("unexpected argument: ") + argv[i]).GetText());
    }
    if (!dir)
        return Usage(err, "extract needs -o");
    return CmdExtract(argv[2], dir, force, out, err);
}

} // namespace

int KxPackMain(int argc, char** argv, FILE* out, FILE* err)
{
    if (argc < 2)
        return Usage(err, "no command given");
    const char* cmd = argv[1];
    try {
        if (!strcmp(cmd, "build"))
            return CmdBuild(argc, argv, out, err);
        if (!strcmp(cmd, "check") && argc >= 3)
            return CmdCheck(argc, argv, out, err);
        if (!strcmp(cmd, "list") && argc == 3)
            return CmdList(argv[2], out, err);
        if (!strcmp(cmd, "verify") && argc == 3)
            return CmdVerify(argv[2], out, err);
        if (!strcmp(cmd, "extract") && argc >= 3)
            return ParseExtract(argc, argv, out, err);
    } catch (const std::bad_alloc&) {
        return Failure(err, "out of memory");
    }
    return Usage(err, (CSmallString("bad command line for ") + cmd).GetText());
}
