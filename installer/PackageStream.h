// The package read straight from the installer's file, front to back: the
// trailer is found from the end, the data block's CRC checked in one
// bounded pass, and the payload inflated only as far as it is asked for.
// Memory stays a few hundred KiB whatever the package's size (an LZMA
// block adds its dictionary, 16 MiB at the most). An item asked
// for behind the stream's position is reached by inflating again from the
// start of the data block (kxpack numbers the items the wizard needs first,
// and files in script order, so an installation reads front to back).
#pragma once

#include <cstdint>
#include <cstdio>

#include "PackageFormat.h"
#include "SmallString.h"

class CBlockDecoderABC;

// Receives an item's length, then its bytes in pieces, as they come out.
class CByteSinkABC
{
public:
    virtual ~CByteSinkABC() {}
    // False stops the copy (the user cancelled, or a write failed).
    virtual bool Begin(uint32_t /*length*/) { return true; }
    virtual bool Take(const unsigned char* data, uint32_t length) = 0;
};

class CPackageStream
{
public:
    CPackageStream();
    ~CPackageStream();
    CPackageStream(const CPackageStream&) = delete;
    CPackageStream& operator=(const CPackageStream&) = delete;

    // False when the file can't be read or holds no sound package, as far as
    // that can be seen without inflating the items: trailer, CRC, script
    // and item count. GetFailure says why.
    bool Open(const char* path);
    // The same over an open file, which the stream then owns.
    bool Open(FILE* file);
    // Why the last call failed; null after a success.
    const char* GetFailure() const { return m_pszFailure; }
    // The file could not be read at all (rather than read and refused).
    bool IsUnreadable() const { return m_bUnreadable; }

    const CSmallString& GetScript() const { return m_strScript; }
    uint32_t GetItemCount() const { return m_uItemCount; }
    unsigned long long GetStubSize() const { return m_ullBlockStart; }
    uint32_t GetBlockSize() const { return m_uBlockSize; }
    uint32_t GetCrc() const { return m_uCrc; }
    // What the data block declares (zlib for every older package).
    Package::ECompression GetCompression() const { return m_eCompression; }
    // How much of the data block has gone through inflate so far.
    uint32_t GetBlockConsumed() const { return m_uBlockFed - m_uAvailIn; }

    // The installer without its package, in pieces.
    bool CopyStub(CByteSinkABC& sink);
    // Item id in pieces. False when the payload turns out damaged
    // (GetFailure) or the sink stopped the copy (GetFailure null).
    bool CopyItem(uint32_t id, CByteSinkABC& sink);
    // Inflates whatever remains and checks that the stream ends soundly.
    bool VerifyRest();
    // Puts the decoder wrap returns in place of the one at work, which it
    // then owns; the stream goes on where it stands. Null changes nothing;
    // so does every call after one that wrapped.
    void WrapDecoder(CBlockDecoderABC* (*wrap)(CBlockDecoderABC* inner));

private:
    bool Fail(const char* why);
    bool Seek(unsigned long long offset);
    bool ReadBytes(void* buffer, uint32_t size);
    bool FindTrailer(unsigned long long& end);
    bool CheckCrc(uint32_t expected);
    // Back to the start of the payload, past the script and the count.
    bool Restart(bool keepScript);
    // Exactly len bytes of payload into out, or dropped when out is null.
    bool Inflate(unsigned char* out, uint32_t len, CByteSinkABC* sink = nullptr);
    // Feeds the decoder from the block when its input ran out and decodes
    // once into [target, target + want), got of them; false (failed) on
    // damage or a read failure.
    bool InflateStep(unsigned char* target, uint32_t want, uint32_t& got);
    bool ReadU32(uint32_t& value);
    // The next item's length, refused when the stream can't hold it.
    bool ReadItemLength(uint32_t& len);
    // Drops what is left of a stopped copy and the items before id.
    bool SkipTo(uint32_t id);
    // Whether len more bytes could still come out of the stream: within
    // the decoder's best ratio of the input left.
    bool CanHold(unsigned long long len) const;

    FILE* m_pFile;
    const char* m_pszFailure;
    bool m_bUnreadable;
    unsigned long long m_ullBlockStart;
    uint32_t m_uBlockSize;
    uint32_t m_uCrc = 0;
    CSmallString m_strScript;
    uint32_t m_uItemCount;

    Package::ECompression m_eCompression = Package::Zlib;
    CBlockDecoderABC* m_pDecoder = nullptr;
    bool m_bStarted = false; // the decoder is at work on the block
    bool m_bWrapped = false; // WrapDecoder has put its decoder in place
    bool m_bEnded;          // the block's stream has ended
    uint32_t m_uBlockFed;   // bytes of the block read into m_pIn
    uint32_t m_uAvailIn;    // of those, not consumed yet
    const unsigned char* m_pNextIn = nullptr; // where they start
    unsigned char* m_pIn;   // input buffer
    unsigned char* m_pOut;  // scratch for dropped bytes
    uint32_t m_uNextItem;   // the item whose length comes next
    uint32_t m_uItemLeft;   // bytes of the item before it not read yet
};
