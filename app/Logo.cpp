#include "Logo.h"

#include <windows.h>

#include "AppGlobals.h"
#include "Security.h"
#include "SmallString.h"
#include "win32/Handles.h"

bool LoadInstallerLogo(const Container::CArray<unsigned char>& bytes)
{
    if (bytes.IsEmpty())
        return false;
    const CSmallString folder = CreateRunFolder("kx-");
    if (folder.IsEmpty())
        return false;
    const CSmallString path = folder + "logo.bmp";
    bool written = false;
    {
        CAutoHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD done = 0;
        written = file.IsValid() && WriteFile(file, bytes.GetData(), bytes.GetSize(), &done, nullptr) &&
                  done == bytes.GetSize() && file.CloseChecked();
    }
    // Not LR_SHARED: the bitmap comes from a file and is deleted by us.
    if (written)
        g_hInstallerLogo.Reset(
            static_cast<HBITMAP>(LoadImageA(g_hInstance, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
    DeleteFileA(path);
    RemoveDirectoryA(folder);
    if (!g_hInstallerLogo)
        return false;
    BITMAP description;
    if (GetObjectA(g_hInstallerLogo, sizeof(description), &description) == sizeof(description)) {
        g_szInstallerLogoSize.cx = description.bmWidth;
        g_szInstallerLogoSize.cy = description.bmHeight;
    }
    return true;
}

void FreeInstallerLogo()
{
    g_hInstallerLogo.Reset(nullptr);
    g_szInstallerLogoSize.cx = g_szInstallerLogoSize.cy = 0;
}
