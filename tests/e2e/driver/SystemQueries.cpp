#include "SystemQueries.h"

#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "Text.h"

namespace SystemQueries {

namespace {

struct SRootName
{
    const char* pszName;
    HKEY hRoot;
};

const SRootName g_arrRoots[] = {
    {"HKLM", HKEY_LOCAL_MACHINE}, {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKCU", HKEY_CURRENT_USER},  {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKCR", HKEY_CLASSES_ROOT},  {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
};

// The key opened for reading, or null with error set.
HKEY OpenKey(const std::string& path, std::string& error)
{
    const size_t cut = path.find('\\');
    const std::string rootName = path.substr(0, cut);
    const std::string subkey = cut == std::string::npos ? std::string() : path.substr(cut + 1);
    for (const SRootName& root : g_arrRoots) {
        if (_stricmp(rootName.c_str(), root.pszName) != 0)
            continue;
        HKEY key = nullptr;
        if (RegOpenKeyExA(root.hRoot, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            error = "no registry key " + path;
            return nullptr;
        }
        return key;
    }
    error = "unknown registry root in " + path;
    return nullptr;
}

std::string FormatData(DWORD type, const std::vector<unsigned char>& data, DWORD size)
{
    char number[32];
    switch (type) {
    case REG_DWORD: {
        DWORD value = 0;
        std::memcpy(&value, data.data(), size < sizeof(value) ? size : sizeof(value));
        std::snprintf(number, sizeof(number), "%lu", (unsigned long)value);
        return number;
    }
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::string text(reinterpret_cast<const char*>(data.data()), size);
        while (!text.empty() && text.back() == '\0')
            text.pop_back();
        return text;
    }
    default: {
        std::string hex;
        for (DWORD i = 0; i < size; i++) {
            std::snprintf(number, sizeof(number), "%02x", data[i]);
            hex += number;
        }
        return hex;
    }
    }
}

const char* TypeName(DWORD type)
{
    switch (type) {
    case REG_SZ:
        return "REG_SZ";
    case REG_EXPAND_SZ:
        return "REG_EXPAND_SZ";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    case REG_BINARY:
        return "REG_BINARY";
    default:
        return "REG_OTHER";
    }
}

std::wstring Widen(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], (int)wide.size());
    wide.resize(n > 0 ? n - 1 : 0);
    return wide;
}

} // namespace

bool ListRegistryValues(const std::string& keyPath, std::string& out, std::string& error)
{
    HKEY key = OpenKey(keyPath, error);
    if (!key)
        return false;
    for (DWORD index = 0;; index++) {
        char name[1024];
        DWORD nameSize = sizeof(name), type = 0, dataSize = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS)
            break;
        std::vector<unsigned char> data(dataSize + 2, 0);
        nameSize = sizeof(name);
        dataSize = (DWORD)data.size();
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
            break;
        out += std::string(name[0] ? name : "(default)") + "\t" + TypeName(type) + "\t" +
               Text::OneLine(FormatData(type, data, dataSize)) + "\n";
    }
    RegCloseKey(key);
    return true;
}

bool ReadRegistryValue(const std::string& keyPath, const std::string& name, std::string& out, std::string& error)
{
    HKEY key = OpenKey(keyPath, error);
    if (!key)
        return false;
    const char* valueName = name == "(default)" ? "" : name.c_str();
    DWORD type = 0, size = 0;
    LONG status = RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size);
    std::vector<unsigned char> data(size + 2, 0);
    if (status == ERROR_SUCCESS) {
        size = (DWORD)data.size();
        status = RegQueryValueExA(key, valueName, nullptr, &type, data.data(), &size);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        error = "no value \"" + name + "\" under " + keyPath;
        return false;
    }
    out = FormatData(type, data, size);
    return true;
}

bool DescribeShellLink(const std::string& path, std::string& out, std::string& error)
{
    if (FAILED(CoInitialize(nullptr))) {
        error = "CoInitialize failed";
        return false;
    }
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    bool ok = false;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link)))) {
        error = "no shell link object";
    } else if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        error = "no IPersistFile";
    } else if (FAILED(file->Load(Widen(path).c_str(), STGM_READ))) {
        error = "cannot load the link " + path;
    } else {
        char target[MAX_PATH] = "", arguments[1024] = "", folder[MAX_PATH] = "";
        int show = 0;
        link->GetPath(target, sizeof(target), nullptr, SLGP_RAWPATH);
        link->GetArguments(arguments, sizeof(arguments));
        link->GetWorkingDirectory(folder, sizeof(folder));
        link->GetShowCmd(&show);
        char showText[32];
        std::snprintf(showText, sizeof(showText), "%d", show);
        out = std::string("target\t") + target + "\narguments\t" + arguments + "\nworkdir\t" + folder + "\nshow\t" +
              showText + "\n";
        ok = true;
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    CoUninitialize();
    return ok;
}

bool GetShellFolder(const std::string& name, std::string& out)
{
    std::string error;
    return ReadRegistryValue("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name, out,
                             error);
}

std::string ExpandEnvironment(const std::string& text)
{
    char buffer[4096] = "";
    ExpandEnvironmentStringsA(text.c_str(), buffer, sizeof(buffer));
    return buffer;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int CountProcesses(const std::string& name)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        const char* base = std::strrchr(entry.szExeFile, '\\');
        if (_stricmp(base ? base + 1 : entry.szExeFile, name.c_str()) == 0)
            count++;
    }
    CloseHandle(snapshot);
    return count;
}

} // namespace SystemQueries
