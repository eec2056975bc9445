#include "ArchitectureCheck.h"

#include <string>
#include <vector>

#include "ElementCheck.h"
#include "PeHeaders.h"
#include "Platform.h"

namespace {

const char* const kArchitectures[] = {"x86", "x64", "arm64"};

// A PE file's headers lie in its first pages: no more is read of a file.
const size_t kHeadersRead = 4096;

// Longer values are cut in the report.
const int kValueShown = 40;

const SWowName kWowNames[] = {
    {"WOW6432Node", "write the key without it: Windows puts an x86 application's keys there itself, and "
                    "<architecture>x64</architecture> writes them in the 64-bit view"},
    {"Program Files (x86)", "write %APP% for the application's folder, %PROGRAM_FILES% in <default-path> "
                            "(%ProgramFiles% elsewhere), and let <architecture> choose the Program Files folder"},
    {"SysWOW64", "write %windir%\\system32 and let <architecture> choose the system folder"},
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
        return "arm64";
    return pe.bPe32Plus || pe.uMachine == Pe::kMachineAmd64 ? "x64" : nullptr;
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
    m_report.Error(at, "%s: \"%s\" is not an architecture: write x86 (a 32-bit application, the default), x64 or arm64",
                   where.c_str(), shown.c_str());
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
    m_report.Warning(m_firstAt,
                     "%s \"%s\"%s is a 64-bit Windows program (%s), but the application installs as 32-bit (%s): "
                     "on 64-bit Windows its folder and keys would be the 32-bit ones (Program Files (x86), "
                     "WOW6432Node); add <architecture>%s</architecture>",
                     m_strFirstWhere.c_str(), m_strFirstPath.c_str(), more.c_str(), m_pszFirstImage,
                     m_bSet ? "<architecture>x86</architecture>" : "x86, the default", m_pszFirstImage);
}
