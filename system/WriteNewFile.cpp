#include <windows.h>

#include "Folders.h"
#include "win32/Handles.h"

bool WriteNewFile(const char* path, const void* data, unsigned size)
{
    DeleteFileName(path);
    // CREATE_NEW fails on any name still there: nothing is written through.
    CAutoHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file.IsValid() || (size && !WriteFile(file, data, size, &written, nullptr)))
        return false;
    if (written != size) {
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return file.CloseChecked();
}
