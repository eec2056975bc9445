// The packer's resource rewriting on arbitrary stubs: a damaged PE file or
// resource tree is refused without crashing or over-reading; a stub that
// takes the resources reads back with them, a valid checksum, and takes
// them again (its new resource section then replaced, not followed). A
// manifest made to ask for no administrator rights reads back likewise.
#include <cstdint>
#include <cstdlib>
#include <vector>

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
    std::vector<unsigned char> invoked(data, data + size);
    if (!SetStubAsInvoker(invoked, notes) &&
        (ReadStubResources(invoked, read) || ReadPeHeaders(invoked.data(), invoked.size(), pe) ||
         Pe::ReadU32(&invoked[pe.uChecksum]) != PeChecksum(invoked, pe.uChecksum)))
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
