#include "HandBuiltBlock.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include "LzmaEnc.h"
#include "X86Filter.h"

namespace {

void* Allocate(void*, size_t size) { return malloc(size); }
void Release(void*, void* address) { free(address); }
ISzAlloc g_alloc = {Allocate, Release};

} // namespace

std::vector<unsigned char> HandBuiltBlock(const std::vector<unsigned char>& payload, Package::ECompression compression)
{
    if (compression == Package::Zlib) {
        uLongf len = compressBound((uLong)payload.size());
        std::vector<unsigned char> block(len);
        if (compress(block.data(), &len, payload.data(), (uLong)payload.size()) != Z_OK)
            abort();
        block.resize(len);
        return block;
    }
    // The tag, the properties, the stream with its end mark, the payload's CRC.
    std::vector<unsigned char> coded(payload);
    if (compression == Package::LzmaX86)
        X86Filter::Convert(X86Filter::Encode, coded.data(), (uint32_t)coded.size(), 0);
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.dictSize = 1 << 16;
    const size_t head = Package::kLzmaHeaderSize;
    std::vector<unsigned char> block(head + payload.size() + payload.size() / 2 + 1024);
    memcpy(block.data(), Package::LzmaTag(compression), Package::kLzmaTagSize);
    SizeT propsSize = LZMA_PROPS_SIZE, len = block.size() - head;
    if (LzmaEncode(block.data() + head, &len, coded.data(), coded.size(), &props,
                   block.data() + Package::kLzmaTagSize, &propsSize, 1, nullptr, &g_alloc, &g_alloc) != SZ_OK)
        abort();
    block.resize(head + len + 4);
    Package::WriteU32(block.data() + head + len, CRCBitwise(payload.data(), (uint32_t)payload.size()));
    return block;
}
