#include "OutputFile.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

#ifdef _WIN32
#include <direct.h>
#include <string.h>
#else
#include <climits>
#include <unistd.h>
#endif

#include "Exceptions.h"
#include "FileStore.h"

bool WriteFileAtomically(const char* path, const void* data, uint32_t size, CSmallString& why)
{
    const CSmallString temp = CSmallString(path) + ".kxpack-tmp";
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
    struct stat st;
    if (stat(a, &st) != 0 || stat(b, &st) != 0)
        return false;
#ifdef _WIN32
    // No inode numbers here: compare the full, case-folded path names.
    char fa[1024], fb[1024];
    if (!_fullpath(fa, a, sizeof(fa)) || !_fullpath(fb, b, sizeof(fb)))
        return _stricmp(a, b) == 0;
    return _stricmp(fa, fb) == 0;
#else
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
}
