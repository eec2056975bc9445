// The processor a script's application is built for (<architecture>), held
// against the script: the setting's value, 64-bit programs installed as a
// 32-bit application, and the folders and keys that 64-bit Windows shows a
// 32-bit program, written into the script's texts.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

#include "PackItem.h"
#include "ScriptPlaces.h"
#include "ScriptReport.h"
#include "ScriptWords.h"

// The architecture text names, as the installer compares it (blanks around
// it and case aside): "x86", "x64" or "arm64"; null for anything else.
const char* ParseArchitecture(const CSmallString& text);

// The architecture a 64-bit Windows image is built for ("x64", "arm64"),
// from the first size bytes of its file; null for a 32-bit image and for
// anything that is not a PE file.
const char* SixtyFourBitImage(const unsigned char* data, size_t size);

// A name of the 32-bit view that 64-bit Windows gives a 32-bit program
// ("WOW6432Node", ...), which 32-bit Windows lacks, and what to write instead.
struct SWowName
{
    const char* pszName;
    const char* pszInstead;
};

// The first such name that text holds, in any case; null when none.
const SWowName* FindWowName(const char* text);

class CArchitectureCheck
{
public:
    explicit CArchitectureCheck(CScriptReport& report) : m_report(report) {}

    // An <architecture> of either script, text as the installer reads it.
    // governs: the one that sets the application's (the install section's
    // first).
    void CheckSetting(const SPlace& at, const std::string& where, const CSmallString& text, bool governs);

    // Whether the application installs as 32-bit: no <architecture>, or x86.
    bool IsX86() const { return m_pszArchitecture && !strcmp(m_pszArchitecture, ArchitectureWord::X86); }

    // A file that a <file> installs; its headers are read when the
    // application installs as 32-bit.
    void NoteFile(const SPlace& at, const std::string& where, const CPackItem& item);
    // Warns about the 64-bit images noted: the first, with how many more.
    void CheckFiles();

private:
    CScriptReport& m_report;
    const char* m_pszArchitecture = ArchitectureWord::X86; // null: the setting's value is no architecture
    bool m_bSet = false;
    SPlace m_firstAt;
    std::string m_strFirstWhere, m_strFirstPath;
    const char* m_pszFirstImage = nullptr;
    unsigned m_uImages = 0;
};
