#include "Folders.h"

#include <windows.h>

bool DoesFileExist(const char* path)
{
    return path && *path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}
