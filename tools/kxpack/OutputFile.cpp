#include "OutputFile.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

#ifdef _WIN32
#include <direct.h>
#endif

#include "Caught.h"
#include "Exceptions.h"
#include "FileId.h"
#include "FileStore.h"

CSmallString TemporaryNameFor(const char* path)
{
    return CSmallString(path) + ".kxpack-tmp";
}

COutputFile::COutputFile(const char* path)
    : m_strPath(path), m_strTemp(TemporaryNameFor(path)), m_file(m_strTemp, CFileStore::ForWriting)
{
}

COutputFile::~COutputFile()
{
    if (!m_bDone) {
        CSmallString ignored;
        RunCaught([&] { m_file.Close(); }, ignored);
        remove(m_strTemp);
    }
}

bool COutputFile::Commit(CSmallString& why)
{
    CSmallString broke;
    if (!RunCaught([&] { m_file.Close(); }, broke)) {
        why.Format("cannot write %s: %s", m_strPath.GetText(), broke.GetText());
        return false;
    }
#ifdef _WIN32
    remove(m_strPath); // rename() does not replace an existing file here
#endif
    if (rename(m_strTemp, m_strPath) != 0) {
        why.Format("cannot rename %s to %s", m_strTemp.GetText(), m_strPath.GetText());
        return false;
    }
    m_bDone = true;
    return true;
}

bool WriteFileAtomically(const char* path, const void* data, uint32_t size, CSmallString& why)
{
    bool committed = false;
    CSmallString broke;
    if (RunCaught(
            [&] {
                COutputFile file(path);
                file.GetStore().Write(data, size);
                committed = file.Commit(why);
            },
            broke))
        return committed;
    why.Format("cannot write %s: %s", path, broke.GetText());
    return false;
}

bool IsDirectory(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const char* path)
{
    if (IsDirectory(path))
        return true;
#ifdef _WIN32
    return _mkdir(path) == 0;
#else
    return mkdir(path, 0777) == 0;
#endif
}

bool IsSameFile(const char* a, const char* b)
{
    SFileId ia, ib;
    return GetFileId(a, ia) && GetFileId(b, ib) && ia == ib;
}

bool NameIsTaken(const char* path)
{
    struct stat st;
#ifdef _WIN32
    return stat(path, &st) == 0;
#else
    return lstat(path, &st) == 0;
#endif
}
