#include "FileStore.h"

#include "Exceptions.h"
#include "Platform.h"

CFileStore::CFileStore(const char* path, Mode mode) : m_pFile(nullptr), m_strPath(path)
{
    m_pFile = fopen(path ? path : "", mode == ForReading ? "rb" : "wb");
    if (!m_pFile) {
        CSmallString text;
        text.Format("Failed to open the file %s", path ? path : "");
        throw new CFileStoreException(CBaseException::OpenFailed, text);
    }
}

CFileStore::~CFileStore()
{
    if (m_pFile)
        fclose(m_pFile);
}

void CFileStore::Close()
{
    if (!m_pFile)
        return;
    const bool ok = fclose(m_pFile) == 0;
    m_pFile = nullptr;
    if (!ok)
        throw new CFileStoreException(CBaseException::IOFailure, "File write failed to write the required size");
}

uint32_t CFileStore::GetSize()
{
    const auto here = Mb::Tell64(m_pFile);
    if (here < 0 || Mb::Seek64(m_pFile, 0, SEEK_END) != 0)
        throw new CFileStoreException(CBaseException::IOFailure, "Failed to find the size of the file");
    const auto size = Mb::Tell64(m_pFile);
    Mb::Seek64(m_pFile, here, SEEK_SET);
    if (size < 0)
        throw new CFileStoreException(CBaseException::IOFailure, "Failed to find the size of the file");
    if ((unsigned long long)size > 0xFFFFFFFFull)
        throw new CFileStoreException(CBaseException::DataFormatError, "The file is too large");
    return (uint32_t)size;
}

void CFileStore::Read(void* buffer, uint32_t size)
{
    if (size && fread(buffer, 1, size, m_pFile) != size)
        throw new CFileStoreException(CBaseException::IOFailure, "File read failed to read the required size");
}

void CFileStore::Write(const void* buffer, uint32_t size)
{
    if (size && fwrite(buffer, 1, size, m_pFile) != size)
        throw new CFileStoreException(CBaseException::IOFailure, "File write failed to write the required size");
}

uint32_t CStream::ReadU32()
{
    unsigned char b[4];
    m_store.Read(b, 4);
    return (uint32_t)b[0] | (uint32_t)b[1] << 8 | (uint32_t)b[2] << 16 | (uint32_t)b[3] << 24;
}

void CStream::WriteU32(uint32_t value)
{
    const unsigned char b[4] = {(unsigned char)value, (unsigned char)(value >> 8), (unsigned char)(value >> 16),
                                (unsigned char)(value >> 24)};
    m_store.Write(b, 4);
}
