#include "SinReader.h"

#include <cstdlib>
#include <cstring>

#include "ExitCodes.h"
#include "PackageStream.h"
#include "PeHeaders.h"
#include "XMLDocument.h"

// Here, where the stream's type is complete: its holder deletes it.
CSinReader::CSinReader() {}

CSinReader::~CSinReader() {}

bool CSinReader::OpenPackage(const char* path)
{
    m_pStream.Reset(new CPackageStream);
    return Adopt(m_pStream->Open(path));
}

bool CSinReader::OpenPackage(FILE* file)
{
    m_pStream.Reset(new CPackageStream);
    return Adopt(m_pStream->Open(file));
}

bool CSinReader::Adopt(bool opened)
{
    m_arrRead.RemoveAll();
    m_arrWasRead.RemoveAll();
    m_pDocument.Reset(nullptr);
    m_bUnreadable = !opened && m_pStream->IsUnreadable();
    m_pszFailure = opened ? nullptr : m_pStream->GetFailure();
    if (!opened) {
        m_pStream.Reset(nullptr);
        return false;
    }
    m_arrRead.SetSize(m_pStream->GetItemCount());
    m_arrWasRead.SetSize(m_pStream->GetItemCount());
    // A script that does not parse leaves the document null: there is no
    // install section to run. NULs stay in attribute values, so that a name
    // cut at one is seen.
    m_pDocument.Reset(
        CXMLDocument::LoadFromMemory(m_pStream->GetScript(), (unsigned)m_pStream->GetScript().GetLength(), true));
    return true;
}

unsigned CSinReader::GetItemCount() const { return m_pStream ? m_pStream->GetItemCount() : 0; }

namespace {
const uint32_t kMaxHeld = 64u << 20;

// Collects a whole item.
class CCollect : public CByteSinkABC
{
public:
    explicit CCollect(Container::CArray<unsigned char>& data) : m_data(data) {}
    bool Begin(uint32_t length) override
    {
        // Texts and pictures: anything larger is not meant to be held whole.
        if (length > kMaxHeld)
            return false;
        m_data.RemoveAll();
        m_data.SetConstruct(false); // every byte is written over at once
        m_data.SetSize(length);
        m_data.SetConstruct(true);
        m_uAt = 0;
        return true;
    }
    bool Take(const unsigned char* data, uint32_t length) override
    {
        if (length > m_data.GetSize() - m_uAt)
            return false;
        memcpy(m_data.GetData() + m_uAt, data, length);
        m_uAt += length;
        return true;
    }

private:
    Container::CArray<unsigned char>& m_data;
    unsigned m_uAt = 0;
};
} // namespace

bool CSinReader::ReadItem(unsigned id, Container::CArray<unsigned char>& data)
{
    if (id >= GetItemCount())
        return false;
    if (!m_arrWasRead[id]) {
        CCollect collect(m_arrRead[id]);
        if (!m_pStream->CopyItem(id, collect))
        {
            m_pszFailure = m_pStream->GetFailure() ? m_pStream->GetFailure() : "the item is too large to be held whole";
            return false;
        }
        m_arrWasRead[id] = true;
    }
    data = m_arrRead[id];
    return true;
}

bool CSinReader::CopyItem(unsigned id, CByteSinkABC& sink)
{
    m_pszFailure = nullptr;
    if (id >= GetItemCount())
        return false;
    if (m_pStream->CopyItem(id, sink))
        return true;
    m_pszFailure = m_pStream->GetFailure();
    return false;
}

namespace {

// Hands the stub on once it is whole, so that its headers can be mended
// for uninstall.exe: signing the finished installer rewrote the certificate
// entry (to a table past the stub's end) and the checksum, and a stub
// signed before packing gets its own back (SettleStubCertificate). A stub
// too large to hold (no stub is, but the package names its size) has only
// its headers held back, and an entry pointing past its end cleared.
class CUninstallerSink : public CByteSinkABC
{
public:
    explicit CUninstallerSink(CByteSinkABC& sink) : m_sink(sink) {}

    bool Begin(uint32_t length) override
    {
        m_uLength = length;
        m_uHeld = length <= kMaxHeld ? length : kHeaders;
        m_arrHeld.RemoveAll();
        return m_sink.Begin(length);
    }
    bool Take(const unsigned char* data, uint32_t length) override
    {
        if (m_arrHeld.GetSize() < m_uHeld) {
            const uint32_t n = m_uHeld - m_arrHeld.GetSize() < length ? m_uHeld - m_arrHeld.GetSize() : length;
            m_arrHeld.Append(data, n);
            data += n;
            length -= n;
            if (m_arrHeld.GetSize() < m_uHeld)
                return true;
            if (m_uHeld == m_uLength)
                SettleStubCertificate(m_arrHeld.GetData(), m_arrHeld.GetSize());
            else
                DropDanglingCertificate(m_arrHeld.GetData(), m_arrHeld.GetSize(), m_uLength);
            if (!m_sink.Take(m_arrHeld.GetData(), m_arrHeld.GetSize()))
                return false;
        }
        return length == 0 || m_sink.Take(data, length);
    }

private:
    // Far more than any headers take: their size is a page or less.
    static const uint32_t kHeaders = 64 * 1024;

    CByteSinkABC& m_sink;
    uint32_t m_uLength = 0;
    uint32_t m_uHeld = 0;
    Container::CArray<unsigned char> m_arrHeld;
};

} // namespace

bool CSinReader::CopyUninstaller(CByteSinkABC& sink)
{
    m_pszFailure = nullptr;
    if (!m_pStream)
        return false;
    CUninstallerSink filter(sink);
    if (m_pStream->CopyStub(filter))
        return true;
    m_pszFailure = m_pStream->GetFailure();
    return false;
}

bool CSinReader::VerifyPackage()
{
    if (!m_pStream || m_pStream->VerifyRest())
        return true;
    m_pszFailure = m_pStream->GetFailure();
    return false;
}

void CSinReader::WrapDecoder(CBlockDecoderABC* (*wrap)(CBlockDecoderABC* inner))
{
    if (m_pStream)
        m_pStream->WrapDecoder(wrap);
}

void CSinReader::GetPackagePosition(unsigned long long& done, unsigned long long& total) const
{
    done = m_pStream ? m_pStream->GetBlockConsumed() : 0;
    total = m_pStream ? m_pStream->GetBlockSize() : 0;
}

bool CSinReader::GetSpaceRequired(unsigned long long& bytes) const
{
    bytes = m_pStream ? m_pStream->GetStubSize() : 0;
    const CXMLNode* section = m_pDocument ? m_pDocument->FindNode(Section::Install) : nullptr;
    const char* sum = section ? section->GetAttributeValue(Attr::SpaceRequired) : nullptr;
    if (!sum || !*sum)
        return false;
    char* end = nullptr;
    const unsigned long long files = strtoull(sum, &end, 10);
    if (*end)
        return false;
    bytes += files;
    return true;
}

int CSinReader::GetExitCode() const
{
    switch (m_eRunResult) {
    case RunDone:
        return ExitCode::Done;
    case RunCancelled:
        return ExitCode::Cancelled;
    case RunFileInUse:
        return ExitCode::FileInUse;
    case RunInProgress:
        return ExitCode::InProgress;
    case RunRestartNeeded:
        return ExitCode::RestartNeeded;
    case RunFailed:
        break;
    }
    return ExitCode::Failed;
}
