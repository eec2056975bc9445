#include "PackageWriter.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "BlockOut.h"
#include "Exceptions.h"
#include "LzmaBlockWriter.h"
#include "PackageFormat.h"
#include "PayloadSource.h"
#include "WholeDeflate.h"

namespace {

// Deflate is fed pieces of about 1 MiB: a multiple of its largest stored
// block, with room in the output for all that one piece makes, so that at
// level 0 too the stream is the same as when the payload is fed at once.
const uint32_t kPiece = 16 * 65535;
const uint32_t kOutputRoom = kPiece + 65536;

const unsigned long long kFourGiB = 1ull << 32;

// Deflates what it is fed and writes the compressed bytes as they come.
class CBlockWriter
{
public:
    CBlockWriter(CBlockOut& out, int level) : m_out(out), m_arrOut(kOutputRoom)
    {
        memset(&m_zs, 0, sizeof(m_zs));
        m_bReady = deflateInit(&m_zs, level) == Z_OK;
    }
    ~CBlockWriter() { deflateEnd(&m_zs); }
    CBlockWriter(const CBlockWriter&) = delete;
    CBlockWriter& operator=(const CBlockWriter&) = delete;

    bool Feed(const void* data, uint32_t len, CSmallString& why)
    {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        for (uint32_t at = 0; at < len; at += kPiece)
            if (!Deflate(p + at, std::min(kPiece, len - at), Z_NO_FLUSH, why))
                return false;
        return true;
    }

    bool FeedU32(uint32_t v, CSmallString& why)
    {
        unsigned char b[4];
        Package::WriteU32(b, v);
        return Feed(b, 4, why);
    }

    bool Finish(CSmallString& why) { return Deflate(nullptr, 0, Z_FINISH, why); }

private:
    bool Deflate(const void* data, uint32_t len, int flush, CSmallString& why)
    {
        if (!m_bReady) {
            why = "zlib failed to start";
            return false;
        }
        m_zs.next_in = static_cast<Bytef*>(const_cast<void*>(data));
        m_zs.avail_in = len;
        for (;;) {
            m_zs.next_out = m_arrOut.data();
            m_zs.avail_out = kOutputRoom;
            const int rc = deflate(&m_zs, flush);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
                why = "zlib failed to compress the payload";
                return false;
            }
            if (!m_out.Emit(m_arrOut.data(), kOutputRoom - m_zs.avail_out, why))
                return false;
            // A full output buffer may leave more behind in zlib.
            if (flush == Z_FINISH ? rc == Z_STREAM_END : m_zs.avail_in == 0 && m_zs.avail_out != 0)
                return true;
        }
    }

    CBlockOut& m_out;
    std::vector<unsigned char> m_arrOut;
    z_stream m_zs;
    bool m_bReady = false;
};

bool WriteZlibBlock(const CSmallString& script, const CPackItemList& items, int level, CBlockOut& out,
                    CSmallString& why)
{
    CBlockWriter z(out, level);
    std::vector<unsigned char> piece(kPiece);
    bool ok = z.FeedU32((uint32_t)script.GetLength(), why) &&
              z.Feed(script.GetText(), (uint32_t)script.GetLength(), why) && z.FeedU32((uint32_t)items.size(), why);
    for (size_t i = 0; ok && i < items.size(); i++) {
        ok = z.FeedU32((uint32_t)items[i].GetSize(), why) &&
             items[i].Stream(
                 piece, [&](const unsigned char* data, uint32_t size) { return z.Feed(data, size, why); }, why);
    }
    return ok && z.Finish(why);
}

// Appends to an array sized once for the expected installer.
class CArrayStore : public CStoreABC
{
public:
    CArrayStore(Container::CArray<unsigned char>& array, unsigned expected)
        : m_array(array), m_uStart(array.GetSize()), m_uEnd(array.GetSize())
    {
        Grow(expected);
    }
    ~CArrayStore() override { m_array.SetSize(m_uEnd); }

    uint32_t GetSize() override { return m_uEnd - m_uStart; }
    void Read(void*, uint32_t) override
    {
        throw new CFileStoreException(CBaseException::InvalidFunctionCall, "the installer is only written");
    }
    void Write(const void* buffer, uint32_t size) override
    {
        if (m_array.GetSize() - m_uEnd < size)
            Grow(m_array.GetSize() + size);
        memcpy(m_array.GetData() + m_uEnd, buffer, size);
        m_uEnd += size;
    }

private:
    void Grow(unsigned size)
    {
        m_array.SetConstruct(false);
        m_array.SetSize(size);
        m_array.SetConstruct(true);
    }

    Container::CArray<unsigned char>& m_array;
    unsigned m_uStart;
    unsigned m_uEnd;
};

} // namespace

bool BuildPackage(const Container::CArray<unsigned char>& stub, const CSmallString& script, const CPackItemList& items,
                  int level, CStoreABC& out, uint32_t& blockSize, CSmallString& why,
                  Package::ECompression compression)
{
    blockSize = 0;
    for (size_t i = 0; i < items.size(); i++) {
        if (items[i].GetSize() >= kFourGiB) {
            why.Format("item %u (%s) is %llu bytes: an item must be smaller than 4 GiB", (unsigned)i,
                       items[i].IsFile() ? items[i].GetPath().c_str() : "in memory", items[i].GetSize());
            return false;
        }
    }
    if (!WriteOut(out, stub.GetData(), stub.GetSize(), why))
        return false;
    CBlockOut block(out);
    // The default level: libdeflate's strongest where it can hold the payload.
    bool written;
    if (compression != Package::Zlib)
        written = WriteLzmaBlock(script, items, level < 0 ? 9 : level, compression, block, why);
    else if (level < 0 && CanDeflateWhole(CPayloadSource::Size(script, items)))
        written = WriteWholeDeflateBlock(script, items, block, why);
    else
        written = WriteZlibBlock(script, items, level < 0 ? 9 : level, block, why);
    if (!written)
        return false;

    unsigned char trailer[Package::kTrailerSize];
    unsigned char* p = trailer;
    Package::WriteU32(p, block.GetCRC());
    memcpy(p + 4, Package::kCrcTag, 3);
    p += 7;
    Package::WriteU32(p, block.GetSize());
    memcpy(p + 4, Package::kSizeTag, 4);
    p += 8;
    Package::WriteU32(p, Package::kMagicValue);
    memcpy(p + 4, Package::kMagicTag, 7);
    blockSize = block.GetSize();
    return WriteOut(out, trailer, sizeof(trailer), why);
}

bool BuildPackage(const Container::CArray<unsigned char>& stub, const CSmallString& script, const CPackItemList& items,
                  int level, Container::CArray<unsigned char>& out, CSmallString& why,
                  Package::ECompression compression)
{
    const unsigned long long payload = CPayloadSource::Size(script, items);
    const unsigned long long expected =
        payload < kFourGiB ? out.GetSize() + stub.GetSize() + compressBound((uLong)payload) + 1024 : kFourGiB;
    if (expected >= kFourGiB) {
        why.Format("the payload (%llu bytes) is too large to build in memory", payload);
        return false;
    }
    CArrayStore store(out, (unsigned)expected);
    uint32_t blockSize = 0;
    return BuildPackage(stub, script, items, level, store, blockSize, why, compression);
}
