// Package extraction on arbitrary installer files: junk removal, trailer,
// CRC, inflate or LZMA decoding, with or without the x86 filter (the corpus
// holds each kind of data block)
// and payload split must reject bad input without crashing,
// over-reading or allocating without bound; and the streaming reader must
// accept and refuse exactly what the whole-file reader does, with the same
// bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "PackageFormat.h"
#include "PackageStream.h"
#include "WholePackage.h"

namespace {
class CCompare : public CByteSinkABC
{
public:
    explicit CCompare(const Container::CArray<unsigned char>* expected) : m_expected(expected) {}
    bool Begin(uint32_t length) override
    {
        if (m_expected && length != m_expected->GetSize())
            abort();
        return true;
    }
    bool Take(const unsigned char* data, uint32_t length) override
    {
        if (m_expected && memcmp(m_expected->GetData() + m_uAt, data, length) != 0)
            abort();
        m_uAt += length;
        return true;
    }

private:
    const Container::CArray<unsigned char>* m_expected;
    uint32_t m_uAt = 0;
};

// The bytes after junk removal and the CRC mending, read as a stream.
bool ReadStreamed(const Container::CArray<unsigned char>& file, const CWholePackage* whole)
{
    FILE* f = tmpfile();
    if (!f)
        abort();
    fwrite(file.GetData(), 1, file.GetSize(), f);
    CPackageStream stream;
    if (!stream.Open(f))
        return false;
    for (uint32_t i = 0; i < stream.GetItemCount(); i++) {
        CCompare compare(whole && i < whole->GetItems().GetSize() ? &whole->GetItems()[i] : nullptr);
        if (!stream.CopyItem(i, compare))
            return false;
    }
    return stream.VerifyRest();
}
} // namespace

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
    const Container::CArray<unsigned char> mended = file;
    CWholePackage reader;
    const bool accepted = reader.ExtractFromDataBlock(file);
    // The whole-file reader caps the payload; the stream doesn't.
    if (accepted != ReadStreamed(mended, accepted ? &reader : nullptr) &&
        (accepted || strstr(reader.GetLastFailure(), "out of memory") == nullptr))
        abort();
    if (accepted) {
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
