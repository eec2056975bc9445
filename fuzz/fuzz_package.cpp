// Package extraction on arbitrary installer files: junk removal, trailer,
// CRC, inflate and payload split must reject bad input without crashing,
// over-reading or allocating without bound.
#include <cstdint>
#include <cstdlib>

#include "PackageFormat.h"
#include "SinReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Container::CArray<unsigned char> file;
    file.Append(data, (unsigned)size);
    RemoveJunkFromTheEndOfTheArray(file);
    // Inputs starting with an odd byte get their CRC mended, so mutations
    // of the data block get past the checksum into inflate and the payload.
    const unsigned n = file.GetSize();
    if (size && (data[0] & 1) && n >= Package::kTrailerSize) {
        unsigned char* t = file.GetData() + n - Package::kTrailerSize;
        const uint32_t blockSize = Package::ReadU32(t + 7);
        if (blockSize <= n - Package::kTrailerSize)
            Package::WriteU32(t, CRC(t - blockSize, blockSize));
    }
    CSinReader reader;
    if (reader.ExtractFromDataBlock(file)) {
        // Whatever was accepted must add up to no more than the cap.
        unsigned long long total = (unsigned long long)reader.GetScriptText().GetLength();
        for (unsigned i = 0; i < reader.GetItems().GetSize(); i++)
            total += reader.GetItems()[i].GetSize();
        if (total > Package::kMaxPayload)
            abort();
    } else if (!reader.GetLastFailure() || reader.GetItems().GetSize() != 0) {
        abort(); // a failure must say why and keep nothing
    }
    return 0;
}
