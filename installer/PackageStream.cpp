#include "PackageStream.h"

#include <cstdlib>
#include <cstring>

#include "BlockDecoder.h"
#include "PackageFormat.h"
#include "Platform.h"

namespace {

const uint32_t kBuffer = 256 * 1024;
// The script is held in memory: far more than any script needs.
const uint32_t kMaxScript = 256u << 20;
const char kCorrupt[] = "the data block does not decompress: it is corrupt or truncated";
const char kNoMemory[] = "out of memory while reading the package";

} // namespace

CPackageStream::CPackageStream()
    : m_pFile(nullptr), m_pszFailure(nullptr), m_bUnreadable(false), m_ullBlockStart(0), m_uBlockSize(0),
      m_uItemCount(0), m_bEnded(false), m_uBlockFed(0), m_uAvailIn(0), m_pIn(nullptr),
      m_pOut(nullptr), m_uNextItem(0), m_uItemLeft(0)
{
}

CPackageStream::~CPackageStream()
{
    delete m_pDecoder;
    if (m_pFile)
        fclose(m_pFile);
    free(m_pIn);
    free(m_pOut);
}

bool CPackageStream::Fail(const char* why)
{
    m_pszFailure = why;
    return false;
}

bool CPackageStream::Seek(unsigned long long offset) { return Mb::Seek64(m_pFile, (long long)offset, SEEK_SET) == 0; }

bool CPackageStream::ReadBytes(void* buffer, uint32_t size)
{
    return !size || fread(buffer, 1, size, m_pFile) == size;
}

// The last "KXCheck" in the file ends the package; whatever follows it
// (a signature, say) is not looked at.
bool CPackageStream::FindTrailer(unsigned long long& end)
{
    const unsigned tagLen = sizeof(Package::kMagicTag) - 1;
    if (Mb::Seek64(m_pFile, 0, SEEK_END) != 0)
        return false;
    const long long size = Mb::Tell64(m_pFile);
    if (size < 0)
        return false;
    end = 0;
    unsigned long long windowEnd = (unsigned long long)size;
    while (windowEnd >= tagLen) {
        const unsigned long long windowStart = windowEnd > kBuffer ? windowEnd - kBuffer : 0;
        const uint32_t n = (uint32_t)(windowEnd - windowStart);
        if (!Seek(windowStart) || !ReadBytes(m_pIn, n))
            return false;
        for (uint32_t i = n - tagLen + 1; i-- > 0;)
            if (m_pIn[i] == 'K' && memcmp(m_pIn + i, Package::kMagicTag, tagLen) == 0) {
                end = windowStart + i + tagLen;
                return true;
            }
        if (windowStart == 0)
            break;
        windowEnd = windowStart + tagLen - 1; // a tag across the window's edge
    }
    end = (unsigned long long)size; // no tag: the checks below refuse it
    return true;
}

bool CPackageStream::CheckCrc(uint32_t expected)
{
    if (!Seek(m_ullBlockStart))
        return false;
    uint32_t state = CRCStart();
    for (uint32_t done = 0; done < m_uBlockSize;) {
        const uint32_t n = m_uBlockSize - done < kBuffer ? m_uBlockSize - done : kBuffer;
        if (!ReadBytes(m_pIn, n))
            return false;
        state = CRCAdd(state, m_pIn, n);
        done += n;
    }
    return CRCEnd(state) == expected;
}

bool CPackageStream::Open(const char* path) { return Open(fopen(path ? path : "", "rb")); }

bool CPackageStream::Open(FILE* file)
{
    m_pszFailure = nullptr;
    m_bUnreadable = false;
    if (m_pFile)
        fclose(m_pFile);
    m_pFile = file;
    free(m_pIn);
    free(m_pOut);
    m_pIn = static_cast<unsigned char*>(malloc(kBuffer));
    m_pOut = static_cast<unsigned char*>(malloc(kBuffer));
    unsigned long long end = 0;
    if (!m_pFile || !m_pIn || !m_pOut || !FindTrailer(end)) {
        m_bUnreadable = true;
        return Fail("the file can't be read");
    }

    // The trailer from its end backwards, each tag checked before its value
    // is used, as the whole-file reader does.
    unsigned char t[Package::kTrailerSize];
    const unsigned have = end < sizeof(t) ? (unsigned)end : (unsigned)sizeof(t);
    memset(t, 0, sizeof(t));
    if (!Seek(end - have) || !ReadBytes(t + sizeof(t) - have, have)) {
        m_bUnreadable = true;
        return Fail("the file can't be read");
    }
    if (have < 11 || memcmp(t + 19, Package::kMagicTag, 7) != 0)
        return Fail("no package trailer: the file does not end in \"KXCheck\"");
    if (Package::ReadU32(t + 15) != Package::kMagicValue)
        return Fail("wrong magic value in the package trailer");
    if (have < 19 || memcmp(t + 11, Package::kSizeTag, 4) != 0)
        return Fail("the package trailer has no \"SIZE\" tag");
    if (have < 26 || memcmp(t + 4, Package::kCrcTag, 3) != 0)
        return Fail("the package trailer has no \"CRC\" tag");
    m_uBlockSize = Package::ReadU32(t + 7);
    const uint32_t crc = m_uCrc = Package::ReadU32(t);
    if (m_uBlockSize > end - sizeof(t))
        return Fail("truncated package: the data block is larger than the file");
    m_ullBlockStart = end - sizeof(t) - m_uBlockSize;
    if (!CheckCrc(crc))
        return Fail(ferror(m_pFile) ? "the file can't be read" : "CRC mismatch: the data block is corrupt");

    // The block's first bytes say how it was compressed.
    unsigned char head[Package::kLzmaTagSize] = {};
    const uint32_t headLen = m_uBlockSize < sizeof(head) ? m_uBlockSize : (uint32_t)sizeof(head);
    if (!Seek(m_ullBlockStart) || !ReadBytes(head, headLen)) {
        m_bUnreadable = true;
        return Fail("the file can't be read");
    }
    m_eCompression = Package::DeclaredCompression(head, headLen);
    delete m_pDecoder;
    m_bStarted = m_bWrapped = false;
    m_pDecoder = NewBlockDecoder(m_eCompression);
    if (!m_pDecoder)
        return Fail(kNoMemory);
    return Restart(false);
}

bool CPackageStream::Restart(bool keepScript)
{
    m_bStarted = m_pDecoder && m_pDecoder->Start();
    if (!m_bStarted)
        return Fail(kNoMemory);
    m_bEnded = false;
    m_uBlockFed = m_uAvailIn = 0;
    m_pNextIn = m_pIn;
    m_uNextItem = m_uItemLeft = 0;
    if (!Seek(m_ullBlockStart))
        return Fail("the file can't be read");

    uint32_t scriptLen = 0;
    if (!ReadU32(scriptLen))
        return false;
    if (scriptLen > kMaxScript || !CanHold(scriptLen))
        return Fail("truncated payload: the script is longer than the package");
    if (keepScript) {
        if (!Inflate(nullptr, scriptLen))
            return false;
    } else {
        m_strScript.Empty();
        if (scriptLen && !Inflate(reinterpret_cast<unsigned char*>(m_strScript.GetBufferSetLength((int)scriptLen)),
                                  scriptLen))
            return false;
    }
    uint32_t count = 0;
    if (!ReadU32(count))
        return false;
    if (!CanHold((unsigned long long)count * 4))
        return Fail("truncated payload: more items than the package holds");
    m_uItemCount = count;
    return true;
}

bool CPackageStream::CanHold(unsigned long long len) const
{
    const unsigned long long left = (unsigned long long)(m_uBlockSize - m_uBlockFed) + m_uAvailIn;
    return len <= m_pDecoder->MostOut(left);
}

bool CPackageStream::InflateStep(unsigned char* target, uint32_t want, uint32_t& got)
{
    if (m_uAvailIn == 0 && m_uBlockFed < m_uBlockSize) {
        const uint32_t n = m_uBlockSize - m_uBlockFed < kBuffer ? m_uBlockSize - m_uBlockFed : kBuffer;
        if (!ReadBytes(m_pIn, n))
            return Fail("the file can't be read");
        m_pNextIn = m_pIn;
        m_uAvailIn = n;
        m_uBlockFed += n;
    }
    unsigned char* out = target;
    uint32_t room = want;
    const CBlockDecoderABC::EStep step =
        m_pDecoder->Decode(m_pNextIn, m_uAvailIn, out, room, m_uBlockFed == m_uBlockSize);
    got = want - room;
    if (step == CBlockDecoderABC::StepEnded)
        m_bEnded = true;
    else if (step == CBlockDecoderABC::StepNoMemory)
        return Fail(kNoMemory);
    else if (step == CBlockDecoderABC::StepDamaged)
        return Fail(kCorrupt);
    return true;
}

bool CPackageStream::Inflate(unsigned char* out, uint32_t len, CByteSinkABC* sink)
{
    while (len) {
        if (m_bEnded)
            return Fail(kCorrupt); // the payload is shorter than it claims
        unsigned char* target = out ? out : m_pOut;
        const uint32_t want = out ? len : (len < kBuffer ? len : kBuffer);
        uint32_t got = 0;
        if (!InflateStep(target, want, got))
            return false;
        if (got && sink && !sink->Take(target, got))
            return false; // the sink stopped; the stream stays usable from here
        if (out)
            out += got;
        len -= got;
    }
    return true;
}

bool CPackageStream::ReadU32(uint32_t& value)
{
    unsigned char b[4];
    if (!Inflate(b, 4))
        return false;
    value = Package::ReadU32(b);
    return true;
}

bool CPackageStream::CopyStub(CByteSinkABC& sink)
{
    m_pszFailure = nullptr;
    if (m_ullBlockStart > 0xFFFFFFFFu || !sink.Begin((uint32_t)m_ullBlockStart))
        return false;
    // The scratch buffer, not the input one: inflate may hold input there.
    long long here = Mb::Tell64(m_pFile);
    bool ok = Seek(0);
    for (unsigned long long done = 0; ok && done < m_ullBlockStart;) {
        const uint32_t n = m_ullBlockStart - done < kBuffer ? (uint32_t)(m_ullBlockStart - done) : kBuffer;
        ok = ReadBytes(m_pOut, n);
        if (!ok)
            Fail("the file can't be read");
        else if (!sink.Take(m_pOut, n))
            ok = false;
        done += n;
    }
    return Seek((unsigned long long)here) && ok;
}

bool CPackageStream::ReadItemLength(uint32_t& len)
{
    if (!ReadU32(len))
        return false;
    return CanHold(len) || Fail("truncated payload: an item is longer than the package");
}

bool CPackageStream::SkipTo(uint32_t id)
{
    if (m_uItemLeft && !Inflate(nullptr, m_uItemLeft))
        return false;
    m_uItemLeft = 0;
    for (uint32_t len = 0; m_uNextItem < id; m_uNextItem++)
        if (!ReadItemLength(len) || !Inflate(nullptr, len))
            return false;
    return true;
}

bool CPackageStream::CopyItem(uint32_t id, CByteSinkABC& sink)
{
    m_pszFailure = nullptr;
    if (id >= m_uItemCount)
        return Fail("no such item in the package");
    // Behind the stream's position: inflate again from the start.
    if ((id < m_uNextItem || !m_bStarted) && !Restart(true))
        return false;
    uint32_t len = 0;
    if (!SkipTo(id) || !ReadItemLength(len))
        return false;
    m_uNextItem = id + 1;
    m_uItemLeft = len;
    if (!sink.Begin(len))
        return false;
    // Counted down as pieces arrive, so a stopped copy can be skipped later.
    class CCounting : public CByteSinkABC
    {
    public:
        CCounting(CByteSinkABC& to, uint32_t& left) : m_to(to), m_left(left) {}
        bool Take(const unsigned char* data, uint32_t length) override
        {
            m_left -= length;
            return m_to.Take(data, length);
        }

    private:
        CByteSinkABC& m_to;
        uint32_t& m_left;
    } counting(sink, m_uItemLeft);
    return Inflate(nullptr, len, &counting);
}

void CPackageStream::WrapDecoder(CBlockDecoderABC* (*wrap)(CBlockDecoderABC* inner))
{
    // Once: a second installation over the same stream keeps the first wrap.
    if (m_bWrapped || !m_pDecoder)
        return;
    if (CBlockDecoderABC* wrapped = wrap(m_pDecoder)) {
        m_pDecoder = wrapped;
        m_bWrapped = true;
    }
}

bool CPackageStream::VerifyRest()
{
    m_pszFailure = nullptr;
    if ((!m_bStarted && !Restart(true)) || !SkipTo(m_uItemCount))
        return false;
    // Whatever follows the last item must still inflate to the stream's end,
    // so that damage there, or in the stream's checksum, is seen.
    for (uint32_t got = 0; !m_bEnded;)
        if (!InflateStep(m_pOut, kBuffer, got))
            return false;
    return true;
}
