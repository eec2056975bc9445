// Where the fields of a PE file's headers lie, for the packer (which gives
// the stub its publisher's resources) and for the copy of the stub that
// becomes uninstall.exe. Portable: offsets into the file's bytes, read
// little-endian, nothing of <windows.h>.
//
//   +-------------------------+  0
//   | DOS header "MZ"         |  e_lfanew at 0x3C
//   +-------------------------+  e_lfanew
//   | "PE\0\0", COFF header   |  4 + 20 bytes: machine at +4, section count at +6
//   | optional header         |  magic 0x10B (PE32) or 0x20B (PE32+):
//   |   ... CheckSum          |    at +64 in both
//   |   data directories      |    at +96 (PE32) or +112 (PE32+), 8 bytes each
//   +-------------------------+
//   | section table           |  40 bytes a section
//   +-------------------------+  SizeOfHeaders
//   | sections' raw data      |
//   +-------------------------+
//   | certificate table       |  (when signed) its directory entry holds a
//   +-------------------------+   file offset, not an address
#pragma once

#include <cstddef>
#include <cstdint>

namespace Pe {

// Data directory entries.
const unsigned kResourceDirectory = 2;
const unsigned kSecurityDirectory = 4;

const unsigned kSectionHeaderSize = 40;

// The COFF header's machine, for the 64-bit processors.
const uint16_t kMachineAmd64 = 0x8664;
const uint16_t kMachineArm64 = 0xAA64;

inline uint16_t ReadU16(const unsigned char* p) { return (uint16_t)(p[0] | p[1] << 8); }
inline uint32_t ReadU32(const unsigned char* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
inline void WriteU16(unsigned char* p, uint16_t v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}
inline void WriteU32(unsigned char* p, uint32_t v)
{
    WriteU16(p, (uint16_t)v);
    WriteU16(p + 2, (uint16_t)(v >> 16));
}

} // namespace Pe

// Offsets from the start of the file of the header fields that are read or
// changed. Every one of them lies within the bytes the headers were read from.
struct SPeHeaders
{
    uint32_t uCoffHeader;      // after "PE\0\0"
    uint32_t uOptionalHeader;
    uint32_t uChecksum;
    uint32_t uDataDirectories; // the first of uDataDirectoryCount entries
    uint32_t uDataDirectoryCount;
    uint32_t uSectionTable;
    uint16_t uSectionCount;
    uint16_t uMachine; // the processor the code is for
    bool bPe32Plus;    // the optional header of a 64-bit image
};

// Reads the headers from the first size bytes of a file. Null when they
// are sound (the section table included), else why not, in a few words.
const char* ReadPeHeaders(const unsigned char* data, size_t size, SPeHeaders& pe);

// Whether a file of fileSize bytes, whose first size bytes are at data,
// ends where its PE image ends (the headers and the sections' raw data),
// or with a certificate table right after that: a program that carries
// nothing appended, as the bare stub and uninstall.exe. False for an
// installer, a damaged one (anything at all after the image), a file cut
// short inside its image and whatever is not a sound PE file. A COFF symbol
// table counts as appended: the stub is linked stripped.
bool HoldsOnlyItsImage(const unsigned char* data, size_t size, unsigned long long fileSize);

// Whether the headers name a certificate table: the file was signed.
bool NamesCertificate(const unsigned char* data, size_t size);

// A certificate table that lies past the end of a file of fileSize bytes,
// named in the headers at the start of data: the entry of a signature that
// was made for a longer file (an installer signed whole, copied without its
// package). Clears the entry and the checksum that covered that file; true
// when it did.
bool DropDanglingCertificate(unsigned char* data, size_t size, unsigned long long fileSize);

// What became of the certificate entry of uninstall.exe's headers.
enum ECertificateEntry
{
    CertificateKept,     // as the stub has it (none, or its own table)
    CertificateRestored, // names the stub's own table again
    CertificateDropped   // pointed past the end: cleared
};

// The certificate entry and checksum for uninstall.exe, the whole stub at
// data. Signing the finished installer rewrites both in the stub's headers;
// a stub signed before packing still ends with its own certificate table
// right after its image, so its entry is named again and the checksum
// computed, as signing tools leave them: the copy is the signed stub byte
// for byte. Without a sound table there, DropDanglingCertificate's rule.
ECertificateEntry SettleStubCertificate(unsigned char* data, size_t size);

// The PE checksum of a file whose checksum field is at checksumAt: 16-bit
// sums with their carries folded in, plus the file's length.
uint32_t PeChecksum(const unsigned char* data, size_t size, uint32_t checksumAt);
