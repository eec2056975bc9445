#include "PeHeaders.h"

#include <cstring>

namespace {

const uint16_t kPe32Magic = 0x10B;
const uint16_t kPe32PlusMagic = 0x20B;

// Beyond these the loader reads nothing either.
const uint32_t kMostDataDirectories = 16;

bool Holds(size_t size, unsigned long long offset, unsigned long long length) { return offset + length <= size; }

// Where the headers' SizeOfHeaders and the sections' raw data end.
unsigned long long ImageEnd(const unsigned char* data, const SPeHeaders& pe)
{
    unsigned long long end = Pe::ReadU32(data + pe.uOptionalHeader + 60);
    for (unsigned i = 0; i < pe.uSectionCount; i++) {
        const unsigned char* section = data + pe.uSectionTable + i * Pe::kSectionHeaderSize;
        const uint32_t rawSize = Pe::ReadU32(section + 16), rawOffset = Pe::ReadU32(section + 20);
        if (rawSize && (unsigned long long)rawOffset + rawSize > end)
            end = (unsigned long long)rawOffset + rawSize;
    }
    return end;
}

// WIN_CERTIFICATE: u32 dwLength (these 8 bytes included), u16 wRevision,
// u16 wCertificateType, then the signature. Authenticode knows one kind.
const uint16_t kCertificateRevision = 0x0200;
const uint16_t kCertificatePkcsSignedData = 0x0002;
const unsigned char kDerSequence = 0x30;

// Whether the file's bytes from table to its end are certificates, each on
// an 8-byte boundary, as signing tools append them.
bool IsCertificateTable(const unsigned char* data, size_t size, unsigned long long table)
{
    if (table >= size)
        return false;
    uint32_t length = 0;
    for (unsigned long long at = table; at < size; at = (at + length + 7) / 8 * 8) {
        if (!Holds(size, at, 9))
            return false;
        length = Pe::ReadU32(data + at);
        if (length <= 8 || !Holds(size, at, length) || Pe::ReadU16(data + at + 4) != kCertificateRevision ||
            Pe::ReadU16(data + at + 6) != kCertificatePkcsSignedData || data[at + 8] != kDerSequence)
            return false;
    }
    return true;
}

} // namespace

const char* ReadPeHeaders(const unsigned char* data, size_t size, SPeHeaders& pe)
{
    if (!Holds(size, 0, 0x40) || data[0] != 'M' || data[1] != 'Z')
        return "not a Windows program (no \"MZ\" header)";
    const uint32_t signature = Pe::ReadU32(data + 0x3C);
    if (!Holds(size, signature, 4 + 20) || memcmp(data + signature, "PE\0\0", 4) != 0)
        return "not a Windows program (no PE header)";
    pe.uCoffHeader = signature + 4;
    pe.uMachine = Pe::ReadU16(data + pe.uCoffHeader);
    pe.uSectionCount = Pe::ReadU16(data + pe.uCoffHeader + 2);
    const uint16_t optionalSize = Pe::ReadU16(data + pe.uCoffHeader + 16);
    pe.uOptionalHeader = pe.uCoffHeader + 20;
    if (!Holds(size, pe.uOptionalHeader, optionalSize) || optionalSize < 2)
        return "the PE optional header is cut short";
    const uint16_t magic = Pe::ReadU16(data + pe.uOptionalHeader);
    if (magic != kPe32Magic && magic != kPe32PlusMagic)
        return "the PE optional header is of an unknown kind";
    pe.bPe32Plus = magic == kPe32PlusMagic;
    const uint32_t directories = pe.bPe32Plus ? 112 : 96;
    if (optionalSize < directories)
        return "the PE optional header is cut short";
    pe.uChecksum = pe.uOptionalHeader + 64;
    pe.uDataDirectories = pe.uOptionalHeader + directories;
    pe.uDataDirectoryCount = Pe::ReadU32(data + pe.uDataDirectories - 4);
    if (pe.uDataDirectoryCount > kMostDataDirectories)
        pe.uDataDirectoryCount = kMostDataDirectories;
    if (pe.uDataDirectoryCount > (optionalSize - directories) / 8u)
        return "the PE data directories do not fit in the optional header";
    pe.uSectionTable = pe.uOptionalHeader + optionalSize;
    if (!Holds(size, pe.uSectionTable, (unsigned long long)pe.uSectionCount * Pe::kSectionHeaderSize))
        return "the PE section table lies outside the file";
    return nullptr;
}

bool HoldsOnlyItsImage(const unsigned char* data, size_t size, unsigned long long fileSize)
{
    SPeHeaders pe;
    if (ReadPeHeaders(data, size, pe))
        return false;
    const unsigned long long end = ImageEnd(data, pe);
    if (fileSize == end)
        return true;
    if (fileSize < end || pe.uDataDirectoryCount <= Pe::kSecurityDirectory)
        return false;
    // Signing tools start the table on the next 8-byte boundary.
    const unsigned char* entry = data + pe.uDataDirectories + 8 * Pe::kSecurityDirectory;
    const unsigned long long table = Pe::ReadU32(entry), length = Pe::ReadU32(entry + 4);
    return length && table >= end && table < end + 8 && table + length == fileSize;
}

bool NamesCertificate(const unsigned char* data, size_t size)
{
    SPeHeaders pe;
    if (ReadPeHeaders(data, size, pe) || pe.uDataDirectoryCount <= Pe::kSecurityDirectory)
        return false;
    const unsigned char* entry = data + pe.uDataDirectories + 8 * Pe::kSecurityDirectory;
    return Pe::ReadU32(entry) || Pe::ReadU32(entry + 4);
}

bool DropDanglingCertificate(unsigned char* data, size_t size, unsigned long long fileSize)
{
    SPeHeaders pe;
    if (ReadPeHeaders(data, size, pe) || pe.uDataDirectoryCount <= Pe::kSecurityDirectory)
        return false;
    unsigned char* entry = data + pe.uDataDirectories + 8 * Pe::kSecurityDirectory;
    const uint32_t offset = Pe::ReadU32(entry), length = Pe::ReadU32(entry + 4);
    if ((offset == 0 && length == 0) || (unsigned long long)offset + length <= fileSize)
        return false;
    memset(entry, 0, 8);
    Pe::WriteU32(data + pe.uChecksum, 0);
    return true;
}

ECertificateEntry SettleStubCertificate(unsigned char* data, size_t size)
{
    SPeHeaders pe;
    if (ReadPeHeaders(data, size, pe) || pe.uDataDirectoryCount <= Pe::kSecurityDirectory)
        return CertificateKept;
    unsigned char* entry = data + pe.uDataDirectories + 8 * Pe::kSecurityDirectory;
    // Signing tools start the table on the next 8-byte boundary.
    const unsigned long long table = (ImageEnd(data, pe) + 7) / 8 * 8;
    if (size > 0xFFFFFFFFu || !IsCertificateTable(data, size, table))
        return DropDanglingCertificate(data, size, size) ? CertificateDropped : CertificateKept;
    if (Pe::ReadU32(entry) == table && Pe::ReadU32(entry + 4) == size - table)
        return CertificateKept;
    Pe::WriteU32(entry, (uint32_t)table);
    Pe::WriteU32(entry + 4, (uint32_t)(size - table));
    Pe::WriteU32(data + pe.uChecksum, PeChecksum(data, size, pe.uChecksum));
    return CertificateRestored;
}

uint32_t PeChecksum(const unsigned char* data, size_t size, uint32_t checksumAt)
{
    // The field itself counts as zeros.
    auto byte = [&](size_t i) -> uint32_t { return i >= size || i - checksumAt < 4 ? 0 : data[i]; };
    uint64_t sum = 0;
    for (size_t i = 0; i < size; i += 2) {
        sum += byte(i) | byte(i + 1) << 8;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return (uint32_t)(sum + size);
}
