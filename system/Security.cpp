#include "Security.h"

#include <windows.h>
#include <sddl.h>

#include "win32/Handles.h"

namespace {

// TOKEN_ELEVATION and its class number, for headers older than Vista's.
struct STokenElevation
{
    DWORD TokenIsElevated;
};
const int kTokenElevation = 20;

typedef BOOLEAN(WINAPI* RtlGenRandomFn)(PVOID, ULONG);

// The process's user as a SID string ("S-1-5-21-..."), or empty.
CSmallString CurrentUserSid()
{
    CAutoHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
        return CSmallString();
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (!size)
        return CSmallString();
    CSmallString buffer;
    TOKEN_USER* user = reinterpret_cast<TOKEN_USER*>(buffer.GetBuffer((int)size));
    CSmallString text;
    if (GetTokenInformation(token, TokenUser, user, size, &size)) {
        CLocalMemory<char*> sid;
        if (ConvertSidToStringSidA(user->User.Sid, sid.Receive()))
            text = sid.Get();
    }
    buffer.ReleaseBuffer(0);
    return text;
}

} // namespace

bool IsProcessElevated()
{
    CAutoHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
        return false;
    STokenElevation elevation = {0};
    DWORD size = 0;
    if (GetTokenInformation(token, (TOKEN_INFORMATION_CLASS)kTokenElevation, &elevation, sizeof(elevation), &size))
        return elevation.TokenIsElevated != 0;
    // Before Vista: an administrator holds every right there is.
    BYTE adminsSid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof(adminsSid);
    BOOL member = FALSE;
    return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, adminsSid, &sidSize) &&
           CheckTokenMembership(nullptr, adminsSid, &member) && member;
}

bool IsUserAnAdministrator()
{
    if (IsProcessElevated())
        return true;
    CAutoHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
        return false;
    const int kTokenElevationType = 18, kTokenElevationTypeLimited = 3;
    DWORD type = 0, size = 0;
    return GetTokenInformation(token, (TOKEN_INFORMATION_CLASS)kTokenElevationType, &type, sizeof(type), &size) &&
           type == (DWORD)kTokenElevationTypeLimited;
}

bool GetRandomBytes(void* buffer, unsigned size)
{
    static const RtlGenRandomFn s_pfnRandom = reinterpret_cast<RtlGenRandomFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "SystemFunction036")));
    return s_pfnRandom && s_pfnRandom(buffer, size);
}

CSmallString DescribeFolderAccess(EFolderAccess access, const char* userSid, bool elevated)
{
    // P: nothing inherited from the parent; OICI: the same for what is
    // created inside; FA: full control; FRFX: read and run.
    const CSmallString administrators("(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
    if (access == FolderForAdministrators)
        return CSmallString("D:P") + administrators + "(A;OICI;FRFX;;;BU)";
    const CSmallString user = CSmallString("(A;OICI;FA;;;") + userSid + ")";
    return CSmallString("D:P") + (elevated ? administrators + user : user);
}

bool CreateFolderWithAccess(const char* path, EFolderAccess access)
{
    const CSmallString user = access == FolderForThisUser ? CurrentUserSid() : CSmallString();
    if (access == FolderForThisUser && user.IsEmpty())
        return false;
    const CSmallString sddl = DescribeFolderAccess(access, user, IsProcessElevated());
    CLocalMemory<PSECURITY_DESCRIPTOR> descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, descriptor.Receive(), nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.Get(), FALSE};
    // CreateDirectory fails on any existing name, a link included.
    return CreateDirectoryA(path, &attributes) != FALSE;
}

CSmallString NewPrivateFolderName(const char* base, const char* prefix)
{
    unsigned char random[8];
    if (!GetRandomBytes(random, sizeof(random)))
        return CSmallString();
    CSmallString path = CSmallString(base) + prefix;
    for (unsigned char byte : random)
        path.Addf("%02x", byte);
    return path;
}

CSmallString CreatePrivateFolder(const char* base, const char* prefix, EFolderAccess access)
{
    for (int attempt = 0; attempt < 8; attempt++) {
        const CSmallString path = NewPrivateFolderName(base, prefix);
        if (path.IsEmpty())
            return CSmallString();
        if (CreateFolderWithAccess(path, access))
            return path + "\\";
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return CSmallString();
    }
    return CSmallString();
}

CSmallString GetPrivateFolderBase()
{
    char folder[MAX_PATH + 1] = {0};
    if (IsProcessElevated()) {
        const UINT n = GetWindowsDirectoryA(folder, MAX_PATH - 6);
        if (n && n < MAX_PATH - 6) {
            lstrcatA(folder, "\\Temp\\");
            const DWORD attributes = GetFileAttributesA(folder);
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                return folder;
        }
        // Never the user's own temporary folder instead: whoever runs
        // unelevated there could rename or replace what the elevated run
        // makes in it.
        return CSmallString();
    }
    const DWORD n = GetTempPathA(MAX_PATH, folder);
    return n && n <= MAX_PATH ? CSmallString(folder) : CSmallString();
}

CSmallString CreateRunFolder(const char* prefix)
{
    const CSmallString base = GetPrivateFolderBase();
    if (base.IsEmpty())
        return CSmallString();
    return CreatePrivateFolder(base, prefix, IsProcessElevated() ? FolderForAdministrators : FolderForThisUser);
}
