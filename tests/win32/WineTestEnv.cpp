#include "WineTestEnv.h"

#include <shlwapi.h>

#include <cstdio>

void RemoveTestTree(const std::string& path)
{
    std::string p = path;
    while (!p.empty() && (p.back() == '\\' || p.back() == '/'))
        p.pop_back();
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((p + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string child = p + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTestTree(child);
            else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(p.c_str());
}

CTestFolder::CTestFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static int s_counter = 0;
    char name[MAX_PATH + 64];
    snprintf(name, sizeof(name), "%skxtest-%lu-%d\\", temp, GetCurrentProcessId(), s_counter++);
    m_path = name;
    RemoveTestTree(m_path);
    CreateDirectoryA(m_path.c_str(), nullptr);
}

CTestFolder::~CTestFolder() { RemoveTestTree(m_path); }

CTestRegKey::CTestRegKey()
{
    static int s_counter = 0;
    char name[128];
    snprintf(name, sizeof(name), "Software\\kxsetup-tests\\%lu-%d", GetCurrentProcessId(), s_counter++);
    m_sub = name;
    m_full = std::string("HKEY_CURRENT_USER\\") + name;
    SHDeleteKeyA(HKEY_CURRENT_USER, m_sub.c_str());
}

CTestRegKey::~CTestRegKey() { SHDeleteKeyA(HKEY_CURRENT_USER, m_sub.c_str()); }

std::string ReadWholeFile(const std::string& path)
{
    std::string s;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return "<missing>";
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        s.append(buf, n);
    fclose(f);
    return s;
}

void WriteWholeFile(const std::string& path, const std::string& data)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (f) {
        fwrite(data.data(), 1, data.size(), f);
        fclose(f);
    }
}

std::string RegString(HKEY root, const std::string& key, const char* value)
{
    HKEY h;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
        return "<missing>";
    char data[4096];
    DWORD size = sizeof(data) - 1, type = 0;
    const LONG rc = RegQueryValueExA(h, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return "<missing>";
    data[size] = 0;
    return data;
}

bool KeyExists(HKEY root, const std::string& key)
{
    HKEY h;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}
