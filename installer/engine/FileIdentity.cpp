#include "FileIdentity.h"

#include <cstring>

#include "WinPath.h"

namespace {

// NtQueryInformationFile's FileInternalInformation: the index alone, which
// GetFileInformationByHandle reads the same way.
struct SInternalInformation
{
    LARGE_INTEGER IndexNumber;
};
struct SIoStatus
{
    union {
        LONG Status;
        PVOID Pointer;
    };
    ULONG_PTR Information;
};
typedef LONG(WINAPI* QueryInformationFile)(HANDLE, SIoStatus*, PVOID, ULONG, int);
const int kFileInternalInformation = 6;

QueryInformationFile GetQuery()
{
    // ntdll is in every process; imported by name it would not be a KnownDLL.
    static const QueryInformationFile s_query = reinterpret_cast<QueryInformationFile>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationFile")));
    return s_query;
}

CSmallString FolderOf(const CSmallString& path)
{
    const char* cut = strrchr(path.GetText(), '\\');
    return cut ? WinPath::Normalise(path.Mid(0, (int)(cut - path.GetText()))) : CSmallString();
}

} // namespace

bool CFileIdentities::Get(const CSmallString& path, HANDLE file, SFileIdentity& identity)
{
    const CSmallString folder = FolderOf(path);
    const DWORD* volume = folder.IsEmpty() ? nullptr : m_mapVolumes.FindValue(folder);
    const QueryInformationFile query = GetQuery();
    if (volume && query) {
        SIoStatus status = {};
        SInternalInformation internal = {};
        LARGE_INTEGER size;
        if (query(file, &status, &internal, sizeof(internal), kFileInternalInformation) >= 0 &&
            GetFileSizeEx(file, &size)) {
            identity.dwVolume = *volume;
            identity.dwIndexHigh = (DWORD)internal.IndexNumber.HighPart;
            identity.dwIndexLow = internal.IndexNumber.LowPart;
            identity.ullSize = (unsigned long long)size.QuadPart;
            return true;
        }
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info))
        return false;
    identity.dwVolume = info.dwVolumeSerialNumber;
    identity.dwIndexHigh = info.nFileIndexHigh;
    identity.dwIndexLow = info.nFileIndexLow;
    identity.ullSize = ((unsigned long long)info.nFileSizeHigh << 32) | info.nFileSizeLow;
    if (!folder.IsEmpty())
        m_mapVolumes.SetAt(folder, info.dwVolumeSerialNumber);
    return true;
}
