// The VERSIONINFO resource (RT_VERSION) that Windows shows as a program's
// details: numbers in a VS_FIXEDFILEINFO, texts in one string table for
// U.S. English and Unicode (040904B0), and the translation that names it.
//
//   every block    u16 length, u16 value length, u16 type (1 text, 0
//                  binary), UTF-16 key with its NUL, zeros to 4 bytes,
//                  the value, then child blocks each on a 4-byte boundary
//   VS_VERSION_INFO  value: VS_FIXEDFILEINFO (52 bytes)
//     StringFileInfo
//       040904B0   CompanyName, FileDescription, FileVersion,
//                  LegalCopyright, ProductName, ProductVersion
//     VarFileInfo
//       Translation  value: u16 0x0409, u16 1200
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SVersionTexts
{
    std::string strProductName;
    std::string strProductVersion; // also the file version
    std::string strCompany;
    std::string strDescription;
    std::string strCopyright;
};

// The language of the resource and of its string table.
const uint16_t kVersionLanguage = 0x0409;

// The four numbers of a version text: "2.1" is 2.1.0.0, "1.0.3b" 1.0.3.0,
// "2.1-rc1" 2.1.0.0 (the numbers end where a part holds more than digits).
// Null when they fit, else why not; numbered is false for a text that
// starts with no number (all four are 0).
const char* ParseVersionNumbers(const std::string& text, uint16_t numbers[4], bool& numbered);

// Texts are UTF-8, as scripts are; one that isn't valid UTF-8 (an option
// typed in a Western code page) is read as Windows-1252.
std::u16string ToUtf16(const std::string& text);

// The resource. Texts left empty are left out. Null, or why it can't be
// made (texts too long for the format's 16-bit lengths).
const char* MakeVersionInfo(const SVersionTexts& texts, std::vector<unsigned char>& resource);
