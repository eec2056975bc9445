#include "ArchitectureCheck.h"

#include <string>
#include <vector>

#include "ElementCheck.h"
#include "PeHeaders.h"
#include "Platform.h"
#include "ScriptMarkup.h"

namespace {

const char* const kArchitectures[] = {ArchitectureWord::X86, ArchitectureWord::X64, ArchitectureWord::Arm64};

// A PE file's headers lie in its first pages: no more is read of a file.
const size_t kHeadersRead = 4096;

// Longer values are cut in the report.
const int kValueShown = 40;

// What to write instead of each name, in the script's words.
const std::string kWriteInsteadOfWowNode =
    std::string("write the key without it: Windows puts an ") + ArchitectureWord::X86 +
    " application's keys there itself, and " + TagWithText(Setting::Architecture, ArchitectureWord::X64) +
    " writes them in the 64-bit view";
const std::string kWriteInsteadOfProgramFiles =
    std::string("write ") + Variable::AppReference + " for the application's folder, " +
    Variable::ProgramFilesReference + " in " + Tag(Setting::DefaultPath) + " (%ProgramFiles% elsewhere), and let " +
    Tag(Setting::Architecture) + " choose the Program Files folder";
const std::string kWriteInsteadOfSysWow =
    "write %windir%\\system32 and let " + Tag(Setting::Architecture) + " choose the system folder";

const SWowName kWowNames[] = {
    {"WOW6432Node", kWriteInsteadOfWowNode.c_str()},
    {"Program Files (x86)", kWriteInsteadOfProgramFiles.c_str()},
    {"SysWOW64", kWriteInsteadOfSysWow.c_str()},
};

} // namespace

const char* ParseArchitecture(const CSmallString& text)
{
    CSmallString name = text;
    name.TrimBoth();
    for (const char* architecture : kArchitectures)
        if (Mb::ICmp(name, architecture) == 0)
            return architecture;
    return nullptr;
}

const char* SixtyFourBitImage(const unsigned char* data, size_t size)
{
    SPeHeaders pe;
    if (ReadPeHeaders(data, size, pe))
        return nullptr;
    if (pe.uMachine == Pe::kMachineArm64)
        return ArchitectureWord::Arm64;
    return pe.bPe32Plus || pe.uMachine == Pe::kMachineAmd64 ? ArchitectureWord::X64 : nullptr;
}

const SWowName* FindWowName(const char* text)
{
    const CSmallString haystack(text);
    for (const SWowName& name : kWowNames)
        if (haystack.Find(name.pszName) >= 0)
            return &name;
    return nullptr;
}

void CArchitectureCheck::CheckSetting(const SPlace& at, const std::string& where, const CSmallString& text,
                                      bool governs)
{
    const char* architecture = ParseArchitecture(text);
    if (governs) {
        m_pszArchitecture = architecture;
        m_bSet = true;
    }
    if (architecture)
        return;
    CSmallString value = text;
    value.TrimBoth();
    int cut = value.GetLength();
    if (cut > kValueShown)
        for (cut = kValueShown; cut > 0 && (value.GetText()[cut] & 0xC0) == 0x80;)
            cut--; // not inside a character
    std::string shown = Printable(value.Mid(0, cut));
    if (cut < value.GetLength())
        shown += "...";
    m_report.Error(at, "%s: \"%s\" is not an architecture: write %s (a 32-bit application, the default), %s or %s",
                   where.c_str(), shown.c_str(), ArchitectureWord::X86, ArchitectureWord::X64, ArchitectureWord::Arm64);
}

void CArchitectureCheck::NoteFile(const SPlace& at, const std::string& where, const CPackItem& item)
{
    if (!IsX86())
        return;
    std::vector<unsigned char> head;
    CSmallString why;
    if (!item.IsFile() || !item.ReadStart(kHeadersRead, head, why))
        return; // a file that can't be read stops the build when it is packed
    const char* image = SixtyFourBitImage(head.data(), head.size());
    if (!image || m_uImages++)
        return;
    m_firstAt = at;
    m_strFirstWhere = where;
    m_strFirstPath = item.GetPath();
    m_pszFirstImage = image;
}

void CArchitectureCheck::CheckFiles()
{
    if (!m_uImages)
        return;
    const std::string more = m_uImages > 1 ? " (and " + std::to_string(m_uImages - 1) + " more)" : "";
    const std::string installsAs = m_bSet ? TagWithText(Setting::Architecture, ArchitectureWord::X86)
                                          : std::string(ArchitectureWord::X86) + ", the default";
    m_report.Warning(m_firstAt,
                     "%s \"%s\"%s is a 64-bit Windows program (%s), but the application installs as 32-bit (%s): "
                     "on 64-bit Windows its folder and keys would be the 32-bit ones (Program Files (x86), "
                     "WOW6432Node); add %s",
                     m_strFirstWhere.c_str(), m_strFirstPath.c_str(), more.c_str(), m_pszFirstImage,
                     installsAs.c_str(), TagWithText(Setting::Architecture, m_pszFirstImage).c_str());
}
