#include "WholeDeflate.h"

#include <vector>

#include "PayloadSource.h"

#ifdef KX_HAVE_LIBDEFLATE
#include <libdeflate.h>

bool CanDeflateWhole(unsigned long long payload) { return payload <= kWholeDeflateMax; }

bool WriteWholeDeflateBlock(const CSmallString& script, const CPackItemList& items, CBlockOut& out,
                            CSmallString& why)
{
    std::vector<unsigned char> payload((size_t)CPayloadSource::Size(script, items));
    CPayloadSource source(script, items);
    size_t at = 0, got = 0;
    do {
        if (!source.Read(payload.data() + at, payload.size() - at, got, why))
            return false;
        at += got;
    } while (got && at < payload.size());
    struct libdeflate_compressor* compressor = libdeflate_alloc_compressor(12);
    if (!compressor) {
        why = "libdeflate failed to start";
        return false;
    }
    std::vector<unsigned char> block(libdeflate_zlib_compress_bound(compressor, payload.size()));
    const size_t size = libdeflate_zlib_compress(compressor, payload.data(), payload.size(), block.data(), block.size());
    libdeflate_free_compressor(compressor);
    if (!size) {
        why = "libdeflate failed to compress the payload";
        return false;
    }
    return out.Emit(block.data(), (uint32_t)size, why);
}

#else

bool CanDeflateWhole(unsigned long long) { return false; }

bool WriteWholeDeflateBlock(const CSmallString&, const CPackItemList&, CBlockOut&, CSmallString& why)
{
    why = "this kxpack was built without libdeflate";
    return false;
}

#endif
