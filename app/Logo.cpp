#include "Logo.h"

#include <windows.h>

#include "AppGlobals.h"
#include "Caught.h"
#include "FileStore.h"

bool LoadInstallerLogo(const Container::CArray<unsigned char>& bytes, CSmallString& tempPath)
{
    tempPath.Empty();
    if (bytes.IsEmpty())
        return false;

    char temp[520] = {0};
    GetTempPathA(sizeof(temp) - 1, temp);
    const CSmallString path = CSmallString(temp) + "kx-installer-logo-temp.bmp";
    CSmallString why;
    if (!RunCaught(
            [&] {
                CFileStore file(path, CFileStore::ForWriting);
                tempPath = path; // from here on there may be something to remove
                file.Write(bytes.GetData(), bytes.GetSize());
                file.Close();
            },
            why))
        return false;

    // Not LR_SHARED: the bitmap comes from a file and is deleted by us.
    g_hInstallerLogo.Reset(static_cast<HBITMAP>(LoadImageA(g_hInstance, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
    if (!g_hInstallerLogo)
        return false;
    BITMAP description;
    if (GetObjectA(g_hInstallerLogo, sizeof(description), &description) == sizeof(description)) {
        g_szInstallerLogoSize.cx = description.bmWidth;
        g_szInstallerLogoSize.cy = description.bmHeight;
    }
    return true;
}

void FreeInstallerLogo(const CSmallString& tempPath)
{
    g_hInstallerLogo.Reset(nullptr);
    g_szInstallerLogoSize.cx = g_szInstallerLogoSize.cy = 0;
    // Also when the file held no usable bitmap: it was written all the same.
    if (!tempPath.IsEmpty())
        DeleteFileA(tempPath);
}
