#include "PackItem.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "OpenFiles.h"

// 64-bit sizes in a 32-bit build too: items may be larger than 2 GiB.
#ifdef _WIN32
typedef struct _stati64 SStat64;
#define KX_STAT64 _stati64
#else
typedef struct stat SStat64;
#define KX_STAT64 stat
#endif

CPackItem::CPackItem(const void* data, size_t size) : m_ullSize(size)
{
    if (size)
        m_arrBytes.assign(static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + size);
}

bool CPackItem::ListFile(const std::string& path, CPackItem& item, CSmallString& why)
{
    SStat64 st;
    if (KX_STAT64(path.c_str(), &st) != 0) {
        why = strerror(errno);
        return false;
    }
    // Opening a pipe or a device could hang; a folder reads as nothing.
    if (!S_ISREG(st.st_mode)) {
        why = "not a file";
        return false;
    }
    if (!COpenFile(fopen(path.c_str(), "rb"))) {
        why = strerror(errno);
        return false;
    }
    item = CPackItem();
    item.m_bFile = true;
    item.m_strPath = path;
    item.m_ullSize = (unsigned long long)st.st_size;
    return true;
}

CPackItem::CReader::CReader(const CPackItem& item)
    : m_item(item), m_file(item.m_bFile ? fopen(item.m_strPath.c_str(), "rb") : nullptr),
      m_nOpenError(m_file ? 0 : errno)
{
}

bool CPackItem::CReader::Read(unsigned char* buffer, size_t size, size_t& got, CSmallString& why)
{
    const unsigned long long left = m_item.m_ullSize - m_ullDone;
    if (!m_item.m_bFile) {
        got = (size_t)std::min<unsigned long long>(size, left);
        if (got)
            memcpy(buffer, m_item.m_arrBytes.data() + m_ullDone, got);
        m_ullDone += got;
        return true;
    }
    FILE* f = m_file.Get();
    if (!f) {
        why.Format("cannot read %s: %s", m_item.m_strPath.c_str(), strerror(m_nOpenError));
        return false;
    }
    // One byte past the listed size shows a file that grew.
    const size_t want = (size_t)std::min<unsigned long long>(size, left ? left : 1);
    got = fread(buffer, 1, want, f);
    if (got < want && ferror(f)) {
        why.Format("cannot read %s: %s", m_item.m_strPath.c_str(), strerror(errno));
        return false;
    }
    if (got < want ? left != 0 : left == 0) {
        why.Format("%s changed size while it was packed (%llu bytes when listed)", m_item.m_strPath.c_str(),
                   m_item.m_ullSize);
        return false;
    }
    m_ullDone += got;
    return true;
}

bool CPackItem::Stream(std::vector<unsigned char>& buffer,
                       const std::function<bool(const unsigned char*, uint32_t)>& take, CSmallString& why) const
{
    CReader reader(*this);
    for (;;) {
        size_t got = 0;
        if (!reader.Read(buffer.data(), buffer.size(), got, why))
            return false;
        if (!got)
            return true;
        if (!take(buffer.data(), (uint32_t)got))
            return false;
    }
}

bool CPackItem::ReadAll(std::vector<unsigned char>& bytes, CSmallString& why) const
{
    bytes.clear();
    std::vector<unsigned char> buffer(1 << 16);
    return Stream(
        buffer,
        [&](const unsigned char* data, uint32_t size) {
            bytes.insert(bytes.end(), data, data + size);
            return true;
        },
        why);
}

bool CPackItem::ReadStart(size_t most, std::vector<unsigned char>& bytes, CSmallString& why) const
{
    bytes.clear();
    std::vector<unsigned char> buffer(most);
    bool taken = false;
    const bool whole = Stream(
        buffer,
        [&](const unsigned char* data, uint32_t size) {
            bytes.assign(data, data + size);
            taken = true;
            return false; // the first piece is all that is wanted
        },
        why);
    return whole || taken;
}
