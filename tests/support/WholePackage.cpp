#include "WholePackage.h"

#include <zlib.h>

#include <cstring>
#include <new>
#include <vector>

#include "LzmaDec.h"
#include "PackageFormat.h"
#include "X86Filter.h"

void RemoveJunkFromTheEndOfTheArray(Container::CArray<unsigned char>& array)
{
    const unsigned tagLen = sizeof(Package::kMagicTag) - 1;
    if (array.GetSize() < tagLen)
        return;
    const unsigned char* data = array.GetData();
    for (unsigned i = array.GetSize() - tagLen + 1; i-- > 0;) {
        if (data[i] == 'K' && memcmp(data + i, Package::kMagicTag, tagLen) == 0) {
            array.SetSize(i + tagLen);
            return;
        }
    }
}

bool GetValueFromArrayEnd(Container::CArray<unsigned char>& array, const char* tag, uint32_t& value)
{
    const unsigned tagLen = (unsigned)strlen(tag);
    const unsigned size = array.GetSize();
    if (size < tagLen + 4 || memcmp(array.GetData() + size - tagLen, tag, tagLen) != 0)
        return false;
    value = Package::ReadU32(array.GetData() + size - tagLen - 4);
    array.SetSize(size - tagLen - 4);
    return true;
}

namespace {

// One pass of zlib's inflate over the data block, read in exact pieces
// straight into their destinations: no payload-sized buffer, no
// re-inflating. It accepts and rejects exactly the streams that the
// one-shot uncompress() does.
class CInflater
{
public:
    CInflater(const unsigned char* block, uint32_t size)
    {
        memset(&m_zs, 0, sizeof(m_zs));
        m_zs.next_in = const_cast<unsigned char*>(block);
        m_zs.avail_in = size;
        m_bReady = inflateInit(&m_zs) == Z_OK;
    }
    ~CInflater() { inflateEnd(&m_zs); }

    bool IsReady() const { return m_bReady; }

    // Fills exactly len bytes; false on corrupt data or an early end.
    bool Read(void* out, uint32_t len)
    {
        m_zs.next_out = static_cast<unsigned char*>(out);
        m_zs.avail_out = len;
        while (m_zs.avail_out) {
            if (m_bEnded)
                return false; // the payload is shorter than it claims
            const int rc = inflate(&m_zs, Z_NO_FLUSH);
            if (rc == Z_STREAM_END)
                m_bEnded = true;
            else if (rc != Z_OK)
                return false; // Z_BUF_ERROR here: the input ran out
        }
        m_ullTotal += len;
        return true;
    }

    // Inflates (and drops) whatever follows the payload, so that a stream
    // damaged after the last item, or in its checksum, is still refused.
    bool Finish()
    {
        unsigned char sink[4096];
        while (!m_bEnded) {
            m_zs.next_out = sink;
            m_zs.avail_out = sizeof(sink);
            const int rc = inflate(&m_zs, Z_NO_FLUSH);
            if (rc == Z_STREAM_END)
                m_bEnded = true;
            else if (rc != Z_OK)
                return false;
            m_ullTotal += sizeof(sink) - m_zs.avail_out;
            if (m_ullTotal > Package::kMaxPayload)
                return false;
        }
        return true;
    }

    // Whether len more bytes could still come out of this stream: within
    // the payload cap and within deflate's best ratio of the input left.
    bool CanHold(uint32_t len) const
    {
        const unsigned long long possible = (unsigned long long)m_zs.avail_in * Package::kMaxDeflateRatio + 65536;
        return m_ullTotal + len <= Package::kMaxPayload && len <= possible;
    }

private:
    z_stream m_zs;
    bool m_bReady = false;
    bool m_bEnded = false;
    unsigned long long m_ullTotal = 0;
};

void* LzmaAlloc(void*, size_t size) { return new (std::nothrow) unsigned char[size]; }
void LzmaFree(void*, void* address) { delete[] static_cast<unsigned char*>(address); }
ISzAlloc g_lzmaAlloc = {LzmaAlloc, LzmaFree};

// The same over an LZMA block, read as PackageFormat.h lays it out: the
// header, the stream up to its end mark, then the payload's CRC.
class CUnlzma
{
public:
    CUnlzma(const unsigned char* block, uint32_t size) : m_pIn(block), m_uLeft(size)
    {
        LzmaDec_Construct(&m_dec);
        if (size < Package::kLzmaHeaderSize)
            return;
        const unsigned char* props = block + Package::kLzmaTagSize;
        const unsigned lc = props[0] % 9, lp = props[0] / 9 % 5;
        if (props[0] >= 9 * 5 * 5 || lc + lp > Package::kMaxLzmaLcPlusLp ||
            Package::ReadU32(props + 1) > Package::kMaxLzmaDictionary)
            return; // read as a stream that fails at once
        const SRes rc = LzmaDec_Allocate(&m_dec, props, Package::kLzmaPropsSize, &g_lzmaAlloc);
        if (rc == SZ_ERROR_MEM)
            throw std::bad_alloc();
        if (rc != SZ_OK)
            return;
        LzmaDec_Init(&m_dec);
        m_pIn += Package::kLzmaHeaderSize;
        m_uLeft -= Package::kLzmaHeaderSize;
        m_bSound = true;
        if (Package::DeclaredCompression(block, size) == Package::LzmaX86)
            DecodeWhole();
    }
    ~CUnlzma() { LzmaDec_Free(&m_dec, &g_lzmaAlloc); }
    CUnlzma(const CUnlzma&) = delete;
    CUnlzma& operator=(const CUnlzma&) = delete;

    bool IsReady() const { return true; }

    bool Read(void* out, uint32_t len)
    {
        if (m_bWhole) {
            if (len > m_whole.size() - m_uAt)
                return false;
            memcpy(out, m_whole.data() + m_uAt, len);
            m_uAt += len;
            return true;
        }
        unsigned char* at = static_cast<unsigned char*>(out);
        while (len) {
            if (!Step(at, len))
                return false;
            if (m_bEnded && len)
                return false; // the payload is shorter than it claims
        }
        return true;
    }

    // Decodes (and drops) what follows the payload, then checks the CRC.
    bool Finish()
    {
        if (m_bWhole)
            return true;
        if (m_bWhole)
            return true;
        unsigned char sink[4096];
        while (!m_bEnded) {
            unsigned char* at = sink;
            uint32_t room = sizeof(sink);
            if (!Step(at, room) || m_ullTotal > Package::kMaxPayload)
                return false;
        }
        return true;
    }

    bool CanHold(uint32_t len) const
    {
        if (m_bWhole)
            return len <= m_whole.size() - m_uAt;
        if (m_bWhole)
            return len <= m_whole.size() - m_uAt;
        const unsigned long long possible =
            ((unsigned long long)m_uLeft + Package::kLzmaLookAhead) * Package::kMaxLzmaRatio + 65536;
        return m_ullTotal + len <= Package::kMaxPayload && len <= possible;
    }

private:
    // One call of the decoder into [at, at + room); at the end mark, the
    // payload's CRC follows.
    bool Step(unsigned char*& at, uint32_t& room)
    {
        if (!m_bSound)
            return false;
        SizeT made = room, used = m_uLeft;
        ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
        if (LzmaDec_DecodeToBuf(&m_dec, at, &made, m_pIn, &used, LZMA_FINISH_ANY, &status) != SZ_OK)
            return false;
        m_uCrc = CRCAdd(m_uCrc, at, (uint32_t)made);
        m_ullTotal += made;
        at += made;
        room -= (uint32_t)made;
        m_pIn += used;
        m_uLeft -= (uint32_t)used;
        if (status == LZMA_STATUS_FINISHED_WITH_MARK) {
            if (m_uLeft < 4 || Package::ReadU32(m_pIn) != CRCEnd(m_uCrc))
                return false;
            m_bEnded = true;
            return true;
        }
        // Everything handed over and still no end: the block was cut short.
        return !(m_uLeft == 0 && status == LZMA_STATUS_NEEDS_MORE_INPUT);
    }

    // A filtered payload is decoded whole and the filter reversed over it in
    // one call, unlike the product's reader, which does it a piece at a time.
    void DecodeWhole()
    {
        std::vector<unsigned char> all;
        for (;;) {
            unsigned char piece[65536];
            SizeT made = sizeof(piece), used = m_uLeft;
            ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
            if (LzmaDec_DecodeToBuf(&m_dec, piece, &made, m_pIn, &used, LZMA_FINISH_ANY, &status) != SZ_OK ||
                all.size() + made > Package::kMaxPayload) {
                m_bSound = false;
                return;
            }
            all.insert(all.end(), piece, piece + made);
            m_pIn += used;
            m_uLeft -= (uint32_t)used;
            if (status == LZMA_STATUS_FINISHED_WITH_MARK)
                break;
            if (m_uLeft == 0 && status == LZMA_STATUS_NEEDS_MORE_INPUT) {
                m_bSound = false;
                return;
            }
        }
        X86Filter::Convert(X86Filter::Decode, all.data(), (uint32_t)all.size(), 0);
        if (m_uLeft < 4 || Package::ReadU32(m_pIn) != CRCBitwise(all.data(), (uint32_t)all.size())) {
            m_bSound = false;
            return;
        }
        m_whole.swap(all);
        m_bWhole = m_bEnded = true;
    }

    CLzmaDec m_dec;
    const unsigned char* m_pIn;
    uint32_t m_uLeft;
    std::vector<unsigned char> m_whole;
    size_t m_uAt = 0;
    bool m_bWhole = false;
    bool m_bSound = false;
    bool m_bEnded = false;
    uint32_t m_uCrc = CRCStart();
    unsigned long long m_ullTotal = 0;
};

const char kCorrupt[] = "the data block does not decompress: it is corrupt or truncated";

} // namespace


bool CWholePackage::Fail(const char* why)
{
    m_pszFailure = why;
    m_pDocument.Reset(nullptr);
    m_arrItems.RemoveAll();
    m_strScript.Empty();
    m_arrUninstaller.RemoveAll();
    return false;
}

bool CWholePackage::ExtractFromDataBlock(Container::CArray<unsigned char>& array)
{
    m_pszFailure = nullptr;
    uint32_t magic = 0, size = 0, crc = 0;
    if (!GetValueFromArrayEnd(array, Package::kMagicTag, magic))
        return Fail("no package trailer: the file does not end in \"KXCheck\"");
    if (magic != Package::kMagicValue)
        return Fail("wrong magic value in the package trailer");
    if (!GetValueFromArrayEnd(array, Package::kSizeTag, size))
        return Fail("the package trailer has no \"SIZE\" tag");
    if (!GetValueFromArrayEnd(array, Package::kCrcTag, crc))
        return Fail("the package trailer has no \"CRC\" tag");
    if (size > array.GetSize())
        return Fail("truncated package: the data block is larger than the file");

    try {
        const unsigned stubLen = array.GetSize() - size;
        m_arrUninstaller.Append(array.GetData(), stubLen);
        array.RemoveAt(0, stubLen);
        if (CRC(array.GetData(), size) != crc)
            return Fail("CRC mismatch: the data block is corrupt");
        return InflatePayload(array.GetData(), size);
    } catch (const std::bad_alloc&) {
        return Fail("out of memory while reading the package");
    }
}

bool CWholePackage::InflatePayload(const unsigned char* block, uint32_t size)
{
    if (Package::DeclaredCompression(block, size) != Package::Zlib) {
        CUnlzma z(block, size);
        return SplitPayload(z);
    }
    CInflater z(block, size);
    return SplitPayload(z);
}

template <class TDecoder>
bool CWholePackage::SplitPayload(TDecoder& z)
{
    if (!z.IsReady())
        return Fail("out of memory while reading the package");

    unsigned char word[4];
    if (!z.Read(word, 4))
        return Fail(kCorrupt);
    const uint32_t scriptLen = Package::ReadU32(word);
    if (!z.CanHold(scriptLen))
        return Fail("truncated payload: the script is longer than the package");
    if (scriptLen) {
        char* text = m_strScript.GetBufferSetLength((int)scriptLen);
        if (!z.Read(text, scriptLen))
            return Fail(kCorrupt);
    }

    if (!z.Read(word, 4))
        return Fail(kCorrupt);
    const uint32_t count = Package::ReadU32(word);
    if (!z.CanHold(count > 0x3FFFFFFF ? 0xFFFFFFFF : count * 4))
        return Fail("truncated payload: more items than the package holds");
    // Items are added as they are read, so a lying count costs nothing.
    for (uint32_t i = 0; i < count; i++) {
        if (!z.Read(word, 4))
            return Fail(kCorrupt);
        const uint32_t len = Package::ReadU32(word);
        if (!z.CanHold(len))
            return Fail("truncated payload: an item is longer than the package");
        m_arrItems.SetSize(i + 1);
        Container::CArray<unsigned char>& item = m_arrItems[i];
        item.SetConstruct(false);
        item.SetSize(len);
        item.SetConstruct(true);
        if (len && !z.Read(item.GetData(), len))
            return Fail(kCorrupt);
    }
    if (!z.Finish())
        return Fail(kCorrupt);

    // A script that does not parse leaves the document null; the caller
    // finds no install section in it.
    // NULs stay in attribute values, so that a name cut at one is seen.
    m_pDocument.Reset(CXMLDocument::LoadFromMemory(m_strScript, (unsigned)m_strScript.GetLength(), true));
    return true;
}
