#include "FileId.h"

#ifdef _WIN32
#include "win32/Handles.h"
#else
#include <sys/stat.h>
#endif

bool GetFileId(const char* path, SFileId& id)
{
#ifdef _WIN32
    // stat() has no inode numbers here; the volume serial and file index do
    // the same job. Backup semantics let a folder be opened too.
    const CAutoHandle file(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.IsValid() || !GetFileInformationByHandle(file, &info))
        return false;
    id.uVolume = info.dwVolumeSerialNumber;
    id.uIndex = ((unsigned long long)info.nFileIndexHigh << 32) | info.nFileIndexLow;
    return true;
#else
    struct stat st;
    if (stat(path, &st) != 0)
        return false;
    id.uVolume = (unsigned long long)st.st_dev;
    id.uIndex = (unsigned long long)st.st_ino;
    return true;
#endif
}
