// SHA-256 (FIPS 180-2), for the installer's checksum in package-manager
// manifests. Small and portable: the packer links no crypto library, and
// none that Debian ships builds for both of its targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CSha256
{
public:
    CSha256();
    void Update(const void* data, size_t size);
    // The digest; the object is spent afterwards.
    void Final(unsigned char digest[32]);

private:
    void Block(const unsigned char* block);

    uint32_t m_auState[8];
    unsigned char m_abPending[64];
    size_t m_uPending = 0;
    uint64_t m_ullBytes = 0;
};

// Upper-case hex, as winget and Chocolatey write checksums.
std::string ToUpperHex(const unsigned char* bytes, size_t size);

// The file's digest in upper-case hex, read a piece at a time (installers
// of several GiB); false when it can't be read.
bool HashFileSha256(const char* path, std::string& hex);
