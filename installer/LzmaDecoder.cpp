#include <cstring>
#include <new>

#include "BlockDecoder.h"
#include "LzmaDec.h"
#include "Memory.h"
#include "X86Filter.h"

namespace {

// Through the foundation's allocator, so that the tests' counting allocator
// sees the dictionary too; nothing may throw through the SDK's C code.
void* Allocate(void*, size_t size)
{
    try {
        return KxAlloc(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void Release(void*, void* address) { KxFree(address); }
ISzAlloc g_alloc = {Allocate, Release};

class CLzmaDecoder : public CBlockDecoderABC
{
public:
    explicit CLzmaDecoder(Package::ECompression compression)
        : m_eCompression(compression), m_stage(compression == Package::LzmaX86 ? X86Filter::Decode : X86Filter::None)
    {
        LzmaDec_Construct(&m_dec);
    }
    ~CLzmaDecoder() override { LzmaDec_Free(&m_dec, &g_alloc); }

    bool Start() override
    {
        m_ePhase = Header;
        m_uHave = 0;
        m_uCrc = CRCStart();
        m_stage.Reset();
        return true;
    }

    EStep Decode(const unsigned char*& in, uint32_t& inLen, unsigned char*& out, uint32_t& outLen,
                 bool inputEnds) override
    {
        if (m_ePhase == Header) {
            if (!Collect(in, inLen, Package::kLzmaHeaderSize))
                return inputEnds ? StepDamaged : StepOn;
            const EStep started = StartStream();
            if (started != StepOn)
                return started;
        }
        if (m_ePhase == Body || m_ePhase == Drain) {
            // Decoded bytes pass the stage, which holds back the few a
            // filtered call may still need to change.
            ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
            if (m_ePhase == Body && !m_stage.ReadyCount()) {
                unsigned char* tail = m_stage.Tail();
                SizeT made = m_stage.Space(), used = inLen;
                if (LzmaDec_DecodeToBuf(&m_dec, tail, &made, in, &used, LZMA_FINISH_ANY, &status) != SZ_OK)
                    return StepDamaged;
                in += used;
                inLen -= (uint32_t)used;
                const bool ended = status == LZMA_STATUS_FINISHED_WITH_MARK;
                m_stage.Added((uint32_t)made, ended);
                if (ended)
                    m_ePhase = Drain;
            }
            const uint32_t n = m_stage.ReadyCount() < outLen ? m_stage.ReadyCount() : outLen;
            memcpy(out, m_stage.Ready(), n);
            m_stage.Taken(n);
            m_uCrc = CRCAdd(m_uCrc, out, n);
            out += n;
            outLen -= n;
            if (m_ePhase == Body)
                return inLen == 0 && inputEnds && status == LZMA_STATUS_NEEDS_MORE_INPUT ? StepDamaged : StepOn;
            if (m_stage.ReadyCount())
                return StepOn;
            m_ePhase = Check;
            m_uHave = 0;
        }
        if (m_ePhase == Check) {
            if (!Collect(in, inLen, 4))
                return inputEnds ? StepDamaged : StepOn;
            if (Package::ReadU32(m_achBytes) != CRCEnd(m_uCrc))
                return StepDamaged;
            m_ePhase = Done;
        }
        return StepEnded;
    }

    unsigned long long MostOut(unsigned long long inLeft) const override
    {
        return (inLeft + Package::kLzmaLookAhead) * Package::kMaxLzmaRatio + 65536;
    }

private:
    enum EPhase
    {
        Header, // the tag and the properties
        Body,   // the LZMA stream
        Drain,  // its end came; the stage still holds decoded bytes
        Check,  // the payload's CRC
        Done,
    };

    // Gathers want bytes in m_achBytes across calls; true once all came.
    bool Collect(const unsigned char*& in, uint32_t& inLen, unsigned want)
    {
        while (m_uHave < want && inLen) {
            m_achBytes[m_uHave++] = *in++;
            inLen--;
        }
        return m_uHave == want;
    }

    // Properties no packer writes are refused before any memory is taken.
    EStep StartStream()
    {
        const unsigned char* props = m_achBytes + Package::kLzmaTagSize;
        if (memcmp(m_achBytes, Package::LzmaTag(m_eCompression), Package::kLzmaTagSize) != 0 || props[0] >= 9 * 5 * 5 ||
            props[0] % 9 + props[0] / 9 % 5 > Package::kMaxLzmaLcPlusLp ||
            Package::ReadU32(props + 1) > Package::kMaxLzmaDictionary)
            return StepDamaged;
        const SRes rc = LzmaDec_Allocate(&m_dec, props, Package::kLzmaPropsSize, &g_alloc);
        if (rc != SZ_OK)
            return rc == SZ_ERROR_MEM ? StepNoMemory : StepDamaged;
        LzmaDec_Init(&m_dec);
        m_ePhase = Body;
        return StepOn;
    }

    const Package::ECompression m_eCompression;
    CLzmaDec m_dec;
    EPhase m_ePhase = Header;
    unsigned char m_achBytes[Package::kLzmaHeaderSize];
    unsigned m_uHave = 0;
    uint32_t m_uCrc = 0;
    CX86FilterStage m_stage;
};

} // namespace

CBlockDecoderABC* NewLzmaDecoder(Package::ECompression compression)
{
    return new (std::nothrow) CLzmaDecoder(compression);
}
