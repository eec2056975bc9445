#include "PackageWriter.h"

#include <zlib.h>

#include "PackageFormat.h"

namespace {

// Deflates the payload pieces straight into the output, which is sized
// once from deflateBound() so a large payload is never copied twice.
class CDeflater
{
public:
    CDeflater(Container::CArray<unsigned char>& out, int level) : m_out(out)
    {
        memset(&m_zs, 0, sizeof(m_zs));
        m_bReady = deflateInit(&m_zs, level) == Z_OK;
    }
    ~CDeflater() { deflateEnd(&m_zs); }

    bool Begin(unsigned long long payloadSize)
    {
        if (!m_bReady || payloadSize > Package::kMaxPayload)
            return false;
        m_uStart = m_out.GetSize();
        const uLong bound = deflateBound(&m_zs, (uLong)payloadSize);
        m_out.SetConstruct(false);
        m_out.SetSize(m_uStart + (unsigned)bound);
        m_out.SetConstruct(true);
        m_zs.next_out = m_out.GetData() + m_uStart;
        m_zs.avail_out = (uInt)bound;
        return true;
    }

    bool Feed(const void* data, uint32_t len, bool last = false)
    {
        m_zs.next_in = static_cast<Bytef*>(const_cast<void*>(data));
        m_zs.avail_in = len;
        const int rc = deflate(&m_zs, last ? Z_FINISH : Z_NO_FLUSH);
        return last ? rc == Z_STREAM_END : (rc == Z_OK || rc == Z_BUF_ERROR) && m_zs.avail_in == 0;
    }

    bool FeedU32(uint32_t v)
    {
        unsigned char b[4];
        Package::WriteU32(b, v);
        return Feed(b, 4);
    }

    // Trims the output to the stream and returns its length.
    uint32_t End()
    {
        const uint32_t size = (uint32_t)m_zs.total_out;
        m_out.SetSize(m_uStart + size);
        return size;
    }

private:
    Container::CArray<unsigned char>& m_out;
    z_stream m_zs;
    bool m_bReady = false;
    unsigned m_uStart = 0;
};

} // namespace

bool BuildPackage(const Container::CArray<unsigned char>& stub, const CSmallString& script, const CItemArray& items,
                  int level, Container::CArray<unsigned char>& out, CSmallString& why)
{
    unsigned long long payload = 4 + (unsigned long long)script.GetLength() + 4;
    for (unsigned i = 0; i < items.GetSize(); i++)
        payload += 4 + (unsigned long long)items[i].GetSize();

    out.Append(stub.GetData(), stub.GetSize());
    CDeflater z(out, level);
    if (!z.Begin(payload)) {
        why.Format("the payload (%llu bytes) is larger than an installer may hold (%u bytes)", payload,
                   Package::kMaxPayload);
        return false;
    }
    bool ok = z.FeedU32((uint32_t)script.GetLength()) && z.Feed(script.GetText(), (uint32_t)script.GetLength()) &&
              z.FeedU32(items.GetSize());
    for (unsigned i = 0; ok && i < items.GetSize(); i++)
        ok = z.FeedU32(items[i].GetSize()) && z.Feed(items[i].GetData(), items[i].GetSize());
    ok = ok && z.Feed(nullptr, 0, true);
    if (!ok) {
        why = "zlib failed to compress the payload";
        return false;
    }
    const uint32_t size = z.End();
    const uint32_t crc = CRC(out.GetData() + stub.GetSize(), size);

    unsigned char trailer[Package::kTrailerSize];
    unsigned char* p = trailer;
    Package::WriteU32(p, crc);
    memcpy(p + 4, Package::kCrcTag, 3);
    p += 7;
    Package::WriteU32(p, size);
    memcpy(p + 4, Package::kSizeTag, 4);
    p += 8;
    Package::WriteU32(p, Package::kMagicValue);
    memcpy(p + 4, Package::kMagicTag, 7);
    out.Append(trailer, sizeof(trailer));
    return true;
}
