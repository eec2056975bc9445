// The packer's resource rewriting on arbitrary stubs: a damaged PE file or
// resource tree is refused without crashing or over-reading; a stub that
// takes the resources reads back with them, a valid checksum, and takes
// them again (its new resource section then replaced, not followed). A
// manifest made to ask for no administrator rights reads back likewise,
// and so does a certificate entry restored for uninstall.exe.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ManifestLevel.h"
#include "PeHeaders.h"
#include "PeResources.h"
#include "VersionInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SStubResources resources;
    std::vector<unsigned char> ico = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 44, 0, 0, 0, 22, 0, 0, 0, 40};
    ico.resize(22 + 44);
    if (ReadIconFile(ico, resources.arrIcon))
        abort();
    SVersionTexts texts;
    texts.strProductName = "Fuzz";
    texts.strProductVersion = "1.2";
    if (MakeVersionInfo(texts, resources.arrVersionInfo))
        abort();

    std::vector<std::string> notes;
    CResourceList read;
    SPeHeaders pe;
    const std::vector<unsigned char> original(data, data + size);
    std::vector<unsigned char> invoked = original;
    if (!SetStubLevel(invoked, kAsInvoker, notes) && invoked != original &&
        (ReadStubResources(invoked, read) || ReadPeHeaders(invoked.data(), invoked.size(), pe) ||
         Pe::ReadU32(&invoked[pe.uChecksum]) != PeChecksum(invoked, pe.uChecksum)))
        abort();

    // uninstall.exe's certificate entry: what is restored names a table
    // that ends the file, with the checksum over it.
    std::vector<unsigned char> settled = original;
    if (SettleStubCertificate(settled.data(), settled.size()) == CertificateRestored &&
        (!HoldsOnlyItsImage(settled.data(), settled.size(), settled.size()) ||
         ReadPeHeaders(settled.data(), settled.size(), pe) ||
         Pe::ReadU32(&settled[pe.uChecksum]) != PeChecksum(settled, pe.uChecksum)))
        abort();

    std::vector<unsigned char> stub(data, data + size);
    if (SetStubResources(stub, resources, notes))
        return 0;
    if (ReadStubResources(stub, read) || ReadPeHeaders(stub.data(), stub.size(), pe) ||
        Pe::ReadU32(&stub[pe.uChecksum]) != PeChecksum(stub, pe.uChecksum))
        abort();
    const uint16_t sections = pe.uSectionCount;
    if (SetStubResources(stub, resources, notes) || ReadPeHeaders(stub.data(), stub.size(), pe) ||
        pe.uSectionCount != sections)
        abort();
    return 0;
}
