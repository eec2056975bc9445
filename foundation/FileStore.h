// Byte stores and streams: a file opened for reading or writing, read and
// written in full or not at all. Every failure throws a CFileStoreException.
#pragma once

#include <cstdint>
#include <cstdio>

#include "SmallString.h"

class CStoreABC
{
public:
    virtual ~CStoreABC() {}
    virtual uint32_t GetSize() = 0;
    // Both move exactly size bytes or throw.
    virtual void Read(void* buffer, uint32_t size) = 0;
    virtual void Write(const void* buffer, uint32_t size) = 0;
};

class CFileStore : public CStoreABC
{
public:
    enum Mode
    {
        ForReading,
        ForWriting // creates or truncates
    };
    CFileStore(const char* path, Mode mode);
    ~CFileStore() override;
    CFileStore(const CFileStore&) = delete;
    CFileStore& operator=(const CFileStore&) = delete;

    uint32_t GetSize() override;
    void Read(void* buffer, uint32_t size) override;
    void Write(const void* buffer, uint32_t size) override;
    // Flushes and closes, throwing when buffered data could not be written;
    // the destructor closes silently.
    void Close();

private:
    FILE* m_pFile;
    CSmallString m_strPath;
};

// 32-bit little-endian integers and raw bytes over a store, in one
// direction chosen at construction.
class CStream
{
public:
    CStream(CStoreABC& store, bool storing) : m_store(store), m_bStoring(storing) {}
    bool IsStoring() const { return m_bStoring; }
    void Read(void* buffer, uint32_t size) { m_store.Read(buffer, size); }
    void Write(const void* buffer, uint32_t size) { m_store.Write(buffer, size); }
    uint32_t ReadU32();
    void WriteU32(uint32_t value);

private:
    CStoreABC& m_store;
    bool m_bStoring;
};
