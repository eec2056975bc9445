// One item of a package being built: bytes held in memory (a text= value,
// a test's data), or a file that is read only while the package is written
// and must still have the size it had when it was listed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "OpenFiles.h"
#include "SmallString.h"

class CPackItem
{
public:
    CPackItem() {}
    CPackItem(const void* data, size_t size);

    // A regular file that opens; false, with why (the reason alone), otherwise.
    static bool ListFile(const std::string& path, CPackItem& item, CSmallString& why);

    bool IsFile() const { return m_bFile; }
    const std::string& GetPath() const { return m_strPath; }
    unsigned long long GetSize() const { return m_ullSize; }

    // Hands the bytes to take in pieces of buffer's size. False
    // when take returns false, or (with why) when the file can't be read or
    // its size changed since it was listed.
    bool Stream(std::vector<unsigned char>& buffer, const std::function<bool(const unsigned char*, uint32_t)>& take,
                CSmallString& why) const;

    // The bytes pulled a piece at a time, with Stream's checks: for a
    // compressor that asks for its input rather than being handed it.
    class CReader
    {
    public:
        explicit CReader(const CPackItem& item);
        CReader(const CReader&) = delete;
        CReader& operator=(const CReader&) = delete;
        // Up to size bytes; got 0 at the item's end. False, with why, when
        // the file can't be read or its size changed since it was listed.
        bool Read(unsigned char* buffer, size_t size, size_t& got, CSmallString& why);

    private:
        const CPackItem& m_item;
        COpenFile m_file;
        int m_nOpenError;
        unsigned long long m_ullDone = 0;
    };

    // The whole item, for checks of small items.
    bool ReadAll(std::vector<unsigned char>& bytes, CSmallString& why) const;
    // Its first bytes, most of them at the most: a file's headers.
    bool ReadStart(size_t most, std::vector<unsigned char>& bytes, CSmallString& why) const;

private:
    bool m_bFile = false;
    std::string m_strPath;
    unsigned long long m_ullSize = 0;
    std::vector<unsigned char> m_arrBytes;
};

typedef std::vector<CPackItem> CPackItemList;
