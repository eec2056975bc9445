#include "FileText.h"

#include <sys/stat.h>

#include <cstring>
#include <new>

#include "Caught.h"
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
    CSmallString why;
    return IsRegularFile(path) && RunCaught([&] { CFileStore store(path, CFileStore::ForReading); }, why);
}

bool LoadFileIntoString(const char* path, CSmallString& text)
{
    text.Empty();
    if (!IsRegularFile(path))
        return false;
    bool tooLarge = false;
    CSmallString why;
    const bool read = RunCaught(
        [&] {
            CFileStore store(path, CFileStore::ForReading);
            const uint32_t size = store.GetSize();
            tooLarge = size > 0x7FFFFFFF;
            if (tooLarge)
                return;
            CSmallString contents;
            char* buffer = contents.GetBufferSetLength((int)size);
            store.Read(buffer, size);
            text = contents;
        },
        why);
    return read && !tooLarge;
}

bool ReadFileIntoArray(const char* path, Container::CArray<unsigned char>& array)
{
    CSmallString why;
    if (RunCaught(
            [&] {
                CFileStore file(path, CFileStore::ForReading);
                const uint32_t size = file.GetSize();
                array.RemoveAll();
                array.SetConstruct(false); // every byte is read over at once
                array.SetSize(size);
                array.SetConstruct(true);
                file.Read(array.GetData(), size);
            },
            why))
        return true;
    array.SetConstruct(true);
    array.RemoveAll();
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
    CSmallString why;
    return RunCaught(
        [&] {
            CFileStore store(path, CFileStore::ForWriting);
            store.Write(text, length);
            store.Close();
        },
        why);
}
