#include "FileText.h"

#include <sys/stat.h>

#include <cstring>
#include <new>

#include "Exceptions.h"
#include "FileStore.h"

// fopen accepts a folder on some systems, and seeking in one may report a
// size: ask for a regular file first.
static bool IsRegularFile(const char* path)
{
    struct stat st;
    return path && *path && stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

bool FileExists(const char* path)
{
    if (!IsRegularFile(path))
        return false;
    try {
        CFileStore store(path, CFileStore::ForReading);
        return true;
    } catch (CBaseException* e) {
        e->Delete();
    } catch (std::bad_alloc&) {
    }
    return false;
}

bool LoadFileIntoString(const char* path, CSmallString& text)
{
    text.Empty();
    if (!IsRegularFile(path))
        return false;
    try {
        CFileStore store(path, CFileStore::ForReading);
        const uint32_t size = store.GetSize();
        if (size > 0x7FFFFFFF)
            return false;
        CSmallString contents;
        char* buffer = contents.GetBufferSetLength((int)size);
        store.Read(buffer, size);
        text = contents;
        return true;
    } catch (CBaseException* e) {
        e->Delete();
    } catch (std::bad_alloc&) {
    }
    return false;
}

bool WriteStringToFile(const char* path, const char* text)
{
    return WriteStringToFile(path, text, text ? (unsigned)strlen(text) : 0);
}

bool WriteStringToFile(const char* path, const char* text, unsigned length)
{
    if (!path || !*path || (!text && length))
        return false;
    try {
        CFileStore store(path, CFileStore::ForWriting);
        store.Write(text, length);
        store.Close();
        return true;
    } catch (CBaseException* e) {
        e->Delete();
    } catch (std::bad_alloc&) {
    }
    return false;
}
