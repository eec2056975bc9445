#include "FileDetails.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace FileDetails {

namespace {

std::wstring Wide(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], (int)wide.size());
    wide.resize(n > 0 ? n - 1 : 0);
    return wide;
}

std::string Utf8(const wchar_t* text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(n > 0 ? n - 1 : 0);
    return out;
}

std::string Numbers(DWORD high, DWORD low)
{
    char text[64];
    std::snprintf(text, sizeof(text), "%u.%u.%u.%u", (unsigned)HIWORD(high), (unsigned)LOWORD(high),
                  (unsigned)HIWORD(low), (unsigned)LOWORD(low));
    return text;
}

unsigned U32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | (unsigned)p[3] << 24; }

} // namespace

bool DescribeVersionInfo(const std::string& path, std::string& out, std::string& error)
{
    const std::wstring file = Wide(path);
    DWORD handle = 0;
    SetLastError(0xdeadbeef);
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (!size) {
        error = "no version information in " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", (void**)&fixed, &length) || length < sizeof(*fixed)) {
        error = "the version information of " + path + " can't be read";
        return false;
    }
    out = "file-version\t" + Numbers(fixed->dwFileVersionMS, fixed->dwFileVersionLS) + "\n";
    out += "product-version\t" + Numbers(fixed->dwProductVersionMS, fixed->dwProductVersionLS) + "\n";
    WORD* translation = nullptr;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", (void**)&translation, &length) || length < 4) {
        error = "no translation in the version information of " + path;
        return false;
    }
    for (const wchar_t* name : {L"CompanyName", L"FileDescription", L"FileVersion", L"LegalCopyright", L"ProductName",
                                L"ProductVersion"}) {
        wchar_t query[128];
        swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1], name);
        wchar_t* text = nullptr;
        if (VerQueryValueW(data.data(), query, (void**)&text, &length) && text)
            out += Utf8(name) + "\t" + Utf8(text) + "\n";
    }
    return true;
}

bool CompareIcon(const std::string& program, unsigned group, const std::string& icoPath, std::string& out,
                 std::string& error)
{
    std::ifstream in(icoPath.c_str(), std::ios::binary);
    const std::vector<unsigned char> ico((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (ico.size() < 6) {
        error = "cannot read the icon file " + icoPath;
        return false;
    }
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        error = "cannot load " + program + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    bool same = false;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(group), RT_GROUP_ICON);
    const unsigned char* dir = found ? (const unsigned char*)LockResource(LoadResource(module, found)) : nullptr;
    if (!dir) {
        error = "no icon group " + std::to_string(group) + " in " + program;
    } else {
        const unsigned count = dir[4] | dir[5] << 8, icoCount = ico[4] | ico[5] << 8;
        same = count == icoCount;
        for (unsigned i = 0; i < count; i++) {
            const unsigned char* entry = dir + 6 + 14 * i;
            const unsigned id = entry[12] | entry[13] << 8;
            HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(id), RT_ICON);
            const DWORD size = image ? SizeofResource(module, image) : 0;
            BYTE* bytes = image ? (BYTE*)LockResource(LoadResource(module, image)) : nullptr;
            const unsigned char* icoEntry = &ico[6 + 16 * i];
            const bool matches = bytes && i < icoCount && 6 + 16 * (i + 1) <= ico.size() && U32(icoEntry + 8) == size &&
                                 U32(icoEntry + 12) + size <= ico.size() &&
                                 memcmp(bytes, &ico[U32(icoEntry + 12)], size) == 0;
            int width = 0, height = 0;
            if (HICON icon = bytes ? CreateIconFromResourceEx(bytes, size, TRUE, 0x00030000, 0, 0, 0) : nullptr) {
                ICONINFO info;
                BITMAP bitmap;
                if (GetIconInfo(icon, &info)) {
                    if (GetObjectA(info.hbmMask, sizeof(bitmap), &bitmap)) {
                        width = bitmap.bmWidth;
                        height = info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2;
                    }
                    DeleteObject(info.hbmMask);
                    if (info.hbmColor)
                        DeleteObject(info.hbmColor);
                }
                DestroyIcon(icon);
            }
            same = same && matches && width > 0;
            out += "image " + std::to_string(i) + "\t" + std::to_string(width) + "x" + std::to_string(height) + "\t" +
                   std::to_string(size) + "\t" + (matches ? "same" : "differs") + "\n";
        }
    }
    FreeLibrary(module);
    return same;
}

} // namespace FileDetails
