#include "LzmaBlockWriter.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "Caught.h"
#include "LzmaEnc.h"
#include "PackageFormat.h"
#include "PayloadSource.h"
#include "X86Filter.h"

namespace {

void* Allocate(void*, size_t size) { return malloc(size); }
void Release(void*, void* address) { free(address); }
ISzAlloc g_alloc = {Allocate, Release};

// The SDK's callbacks, each with what it needs behind it. Nothing may
// throw through the SDK's C frames.
struct SIn
{
    ISeqInStream vt;
    CPayloadSource* pSource;
    CX86FilterStage* pStage;
    CSmallString* pWhy;
    bool bFailed;
    bool bEnded;
};

struct SOut
{
    ISeqOutStream vt;
    CBlockOut* pOut;
    CSmallString* pWhy;
    bool bFailed;
};

// The payload reaches the encoder through the stage, which holds back the
// few bytes a call may still need until what follows them was read.
SRes ReadPayload(void* p, void* buffer, size_t* size)
{
    SIn& in = *static_cast<SIn*>(p);
    CX86FilterStage& stage = *in.pStage;
    bool read = true;
    while (read && !stage.ReadyCount() && !in.bEnded) {
        unsigned char* tail = stage.Tail();
        size_t got = 0;
        CSmallString broke;
        if (!RunCaught([&] { read = in.pSource->Read(tail, stage.Space(), got, *in.pWhy); }, broke)) {
            *in.pWhy = broke;
            read = false;
        }
        in.bEnded = read && got == 0;
        stage.Added((uint32_t)got, in.bEnded);
    }
    const size_t n = stage.ReadyCount() < *size ? stage.ReadyCount() : *size;
    memcpy(buffer, stage.Ready(), n);
    stage.Taken((uint32_t)n);
    *size = n;
    in.bFailed = !read;
    return read ? SZ_OK : SZ_ERROR_READ;
}

size_t WriteBlock(void* p, const void* data, size_t size)
{
    SOut& out = *static_cast<SOut*>(p);
    if (!out.pOut->Emit(data, (uint32_t)size, *out.pWhy)) {
        out.bFailed = true;
        return 0;
    }
    return size;
}

// Frees the encoder however the writing ends.
class CEncoder
{
public:
    CEncoder() : m_handle(LzmaEnc_Create(&g_alloc)) {}
    ~CEncoder()
    {
        if (m_handle)
            LzmaEnc_Destroy(m_handle, &g_alloc, &g_alloc);
    }
    CEncoder(const CEncoder&) = delete;
    CEncoder& operator=(const CEncoder&) = delete;
    CLzmaEncHandle Get() const { return m_handle; }

private:
    CLzmaEncHandle m_handle;
};

} // namespace

bool WriteLzmaBlock(const CSmallString& script, const CPackItemList& items, int level,
                    Package::ECompression compression, CBlockOut& out, CSmallString& why)
{
    const unsigned long long payload = CPayloadSource::Size(script, items);
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.level = level;
    props.dictSize = Package::kMaxLzmaDictionary;
    // A smaller payload gets the smallest dictionary that holds it.
    props.reduceSize = payload < 0xFFFFFFFFull ? (UInt32)payload : 0xFFFFFFFFu;
    props.lc = 3;
    props.lp = 0;
    props.pb = 2;
    // Longer matches than the level's 64 bytes: 0.1% smaller on programs.
    props.fb = level >= 9 ? 128 : props.fb;
    props.writeEndMark = 1;
    props.numThreads = 1;

    CEncoder encoder;
    unsigned char header[Package::kLzmaHeaderSize];
    memcpy(header, Package::LzmaTag(compression), Package::kLzmaTagSize);
    SizeT propsSize = Package::kLzmaPropsSize;
    if (!encoder.Get() || LzmaEnc_SetProps(encoder.Get(), &props) != SZ_OK ||
        LzmaEnc_WriteProperties(encoder.Get(), header + Package::kLzmaTagSize, &propsSize) != SZ_OK) {
        why = "the LZMA encoder failed to start";
        return false;
    }
    if (!out.Emit(header, sizeof(header), why))
        return false;

    CPayloadSource source(script, items);
    std::unique_ptr<CX86FilterStage> stage(
        new CX86FilterStage(compression == Package::LzmaX86 ? X86Filter::Encode : X86Filter::None));
    SIn in = {{ReadPayload}, &source, stage.get(), &why, false, false};
    SOut to = {{WriteBlock}, &out, &why, false};
    const SRes rc = LzmaEnc_Encode(encoder.Get(), &to.vt, &in.vt, nullptr, &g_alloc, &g_alloc);
    if (in.bFailed || to.bFailed)
        return false;
    if (rc != SZ_OK) {
        why = rc == SZ_ERROR_MEM ? "out of memory while compressing the payload with LZMA"
                                 : "the LZMA encoder failed to compress the payload";
        return false;
    }
    unsigned char check[4];
    Package::WriteU32(check, source.GetCrc());
    return out.Emit(check, sizeof(check), why);
}
