#include "OutputFile.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

#ifdef _WIN32
#include <direct.h>
#endif

#include "Exceptions.h"
#include "FileId.h"
#include "FileStore.h"

CSmallString TemporaryNameFor(const char* path)
{
    return CSmallString(path) + ".kxpack-tmp";
}

bool WriteFileAtomically(const char* path, const void* data, uint32_t size, CSmallString& why)
{
    const CSmallString temp = TemporaryNameFor(path);
    try {
        CFileStore file(temp, CFileStore::ForWriting);
        file.Write(data, size);
        file.Close();
    } catch (CBaseException* e) {
        why.Format("cannot write %s: %s", path, e->GetError());
        e->Delete();
        remove(temp);
        return false;
    }
#ifdef _WIN32
    remove(path); // rename() does not replace an existing file here
#endif
    if (rename(temp, path) != 0) {
        why.Format("cannot rename %s to %s", temp.GetText(), path);
        remove(temp);
        return false;
    }
    return true;
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
