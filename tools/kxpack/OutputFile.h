// File helpers of the packer: outputs appear whole or not at all.
#pragma once

#include <cstdint>

#include "FileStore.h"
#include "SmallString.h"

// Where an output is written before the rename.
CSmallString TemporaryNameFor(const char* path);

// An output written under TemporaryNameFor(path) and renamed into place by
// Commit; without a successful Commit the temporary file goes with the
// object.
class COutputFile
{
public:
    // Throws a CFileStoreException* when the temporary can't be created.
    explicit COutputFile(const char* path);
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    CStoreABC& GetStore() { return m_file; }
    bool Commit(CSmallString& why);

private:
    CSmallString m_strPath;
    CSmallString m_strTemp;
    CFileStore m_file;
    bool m_bDone = false;
};

// Writes to a temporary name beside path, then renames it into place.
bool WriteFileAtomically(const char* path, const void* data, uint32_t size, CSmallString& why);

// True when both names lead to the same existing file.
bool IsSameFile(const char* a, const char* b);

// Anything at that name, a link to nothing included.
bool NameIsTaken(const char* path);

bool IsDirectory(const char* path);

// Creates the folder (one level) unless it exists.
bool MakeDirectory(const char* path);
