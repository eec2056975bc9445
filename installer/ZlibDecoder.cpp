#include <zlib.h>

#include <cstring>
#include <new>

#include "BlockDecoder.h"

namespace {

class CZlibDecoder : public CBlockDecoderABC
{
public:
    CZlibDecoder() { memset(&m_zs, 0, sizeof(m_zs)); }
    ~CZlibDecoder() override
    {
        if (m_bReady)
            inflateEnd(&m_zs);
    }

    bool Start() override
    {
        if (m_bReady)
            return inflateReset(&m_zs) == Z_OK;
        m_bReady = inflateInit(&m_zs) == Z_OK;
        return m_bReady;
    }

    EStep Decode(const unsigned char*& in, uint32_t& inLen, unsigned char*& out, uint32_t& outLen,
                 bool inputEnds) override
    {
        m_zs.next_in = const_cast<unsigned char*>(in);
        m_zs.avail_in = inLen;
        m_zs.next_out = out;
        m_zs.avail_out = outLen;
        const int rc = inflate(&m_zs, Z_NO_FLUSH);
        in = m_zs.next_in;
        inLen = m_zs.avail_in;
        out = m_zs.next_out;
        outLen = m_zs.avail_out;
        if (rc == Z_STREAM_END)
            return StepEnded;
        // Z_BUF_ERROR with no input left is only a pause while more follows.
        if (rc == Z_OK || (rc == Z_BUF_ERROR && inLen == 0 && !inputEnds))
            return StepOn;
        return StepDamaged;
    }

    unsigned long long MostOut(unsigned long long inLeft) const override
    {
        return inLeft * Package::kMaxDeflateRatio + 65536;
    }

private:
    z_stream m_zs;
    bool m_bReady = false;
};

} // namespace

CBlockDecoderABC* NewZlibDecoder() { return new (std::nothrow) CZlibDecoder; }
