#include "SystemQueries.h"

#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winioctl.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Text.h"

namespace SystemQueries {

namespace {

struct SRootName
{
    const char* pszName;
    const char* pszShortName;
    HKEY hRoot;
};

const SRootName g_arrRoots[] = {
    {"HKLM", "HKLM", HKEY_LOCAL_MACHINE}, {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
    {"HKCU", "HKCU", HKEY_CURRENT_USER},  {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
    {"HKCR", "HKCR", HKEY_CLASSES_ROOT},  {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
};

// The root of a key path and the rest (no trailing backslash), or null with
// error set.
const SRootName* SplitKeyPath(const std::string& path, std::string& subkey, std::string& error)
{
    const size_t cut = path.find('\\');
    const std::string rootName = path.substr(0, cut);
    subkey = cut == std::string::npos ? std::string() : path.substr(cut + 1);
    while (!subkey.empty() && subkey.back() == '\\')
        subkey.pop_back();
    for (const SRootName& root : g_arrRoots) {
        if (_stricmp(rootName.c_str(), root.pszName) == 0)
            return &root;
    }
    error = "unknown registry root in " + path;
    return nullptr;
}

// The key opened for reading in the view asked for (0: the program's own,
// KEY_WOW64_64KEY: the 64-bit one), or null with error set.
HKEY OpenKey(const std::string& path, REGSAM view, std::string& error)
{
    std::string subkey;
    const SRootName* root = SplitKeyPath(path, subkey, error);
    if (!root)
        return nullptr;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root->hRoot, subkey.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        error = "no registry key " + path;
        return nullptr;
    }
    return key;
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
    case REG_MULTI_SZ: {
        // One line per string (an empty one stays an empty line).
        std::string text(reinterpret_cast<const char*>(data.data()), size);
        while (!text.empty() && text.back() == '\0')
            text.pop_back();
        for (char& c : text)
            if (c == '\0')
                c = '\n';
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
    case REG_NONE:
        return "REG_NONE";
    case REG_QWORD:
        return "REG_QWORD";
    case REG_DWORD_BIG_ENDIAN:
        return "REG_DWORD_BIG_ENDIAN";
    case REG_LINK:
        return "REG_LINK";
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

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &out[0], n, nullptr, nullptr);
    return out;
}

// Names in a stable order whatever order the registry returns them in.
bool CaseBlindLess(const std::wstring& a, const std::wstring& b)
{
    const int order = _wcsicmp(a.c_str(), b.c_str());
    return order != 0 ? order < 0 : a < b;
}

struct SDumpValue
{
    std::wstring strName;
    DWORD dwType;
    std::vector<BYTE> arrData;
};

std::string FormatDumpData(const SDumpValue& value)
{
    const std::vector<BYTE>& data = value.arrData;
    switch (value.dwType) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ:
    case REG_LINK:
        if (data.size() % 2 == 0) {
            std::wstring text(data.size() / 2, L'\0');
            if (!data.empty())
                std::memcpy(&text[0], data.data(), data.size());
            while (!text.empty() && text.back() == L'\0')
                text.pop_back();
            return Text::OneLine(Utf8(text));
        }
        break;
    case REG_DWORD:
        if (data.size() == sizeof(DWORD)) {
            DWORD number = 0;
            std::memcpy(&number, data.data(), sizeof(number));
            char text[16];
            std::snprintf(text, sizeof(text), "%lu", (unsigned long)number);
            return text;
        }
        break;
    }
    static const char s_digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(data.size() * 2);
    for (BYTE byte : data) {
        hex += s_digits[byte >> 4];
        hex += s_digits[byte & 15];
    }
    return hex;
}

// Values of an open key, sorted; false when the registry refused to list them.
bool ReadDumpValues(HKEY key, DWORD count, DWORD maxNameLength, DWORD maxDataSize, std::vector<SDumpValue>& values)
{
    std::vector<wchar_t> name(maxNameLength + 2);
    std::vector<BYTE> data(maxDataSize + 2);
    for (DWORD index = 0; index < count; index++) {
        DWORD nameLength = (DWORD)name.size(), dataSize = (DWORD)data.size(), type = 0;
        LONG status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
        if (status == ERROR_MORE_DATA) {
            // Grown since RegQueryInfoKey: ask for the sizes, then again.
            name.resize(32768);
            nameLength = (DWORD)name.size();
            dataSize = 0;
            status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, nullptr, &dataSize);
            data.resize(dataSize + 2);
            nameLength = (DWORD)name.size();
            dataSize = (DWORD)data.size();
            if (status == ERROR_SUCCESS)
                status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
        }
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            return false;
        values.push_back(SDumpValue{std::wstring(name.data(), nameLength), type,
                                    std::vector<BYTE>(data.begin(), data.begin() + dataSize)});
    }
    std::sort(values.begin(), values.end(),
              [](const SDumpValue& a, const SDumpValue& b) { return CaseBlindLess(a.strName, b.strName); });
    return true;
}

bool ReadSubkeyNames(HKEY key, DWORD count, DWORD maxNameLength, std::vector<std::wstring>& names)
{
    std::vector<wchar_t> name(maxNameLength + 2 > 256 ? maxNameLength + 2 : 256);
    for (DWORD index = 0; index < count; index++) {
        DWORD nameLength = (DWORD)name.size();
        const LONG status = RegEnumKeyExW(key, index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            return false;
        names.push_back(std::wstring(name.data(), nameLength));
    }
    std::sort(names.begin(), names.end(), CaseBlindLess);
    return true;
}

// Wine's IOCTL_MOUNTMGR_DEFINE_UNIX_DRIVE request as Wine 5 and later read
// it; mingw-w64's ddk/mountmgr.h still has an older layout.
struct SWineUnixDrive
{
    ULONG uSize;
    ULONG uType;
    ULONG uFsType;
    DWORD dwSerial;
    ULONGLONG uUnixDevice;
    WCHAR chLetter;
    USHORT uMountPointOffset;
    USHORT uDeviceOffset;
    USHORT uLabelOffset;
};

const DWORD g_dwDefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

} // namespace

bool ListRegistryValues(const std::string& keyPath, REGSAM view, std::string& out, std::string& error)
{
    HKEY key = OpenKey(keyPath, view, error);
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

bool ReadRegistryValue(const std::string& keyPath, const std::string& name, REGSAM view, std::string& out,
                       std::string& error)
{
    HKEY key = OpenKey(keyPath, view, error);
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

namespace {

struct SDumpKey
{
    std::wstring strPath; // below the root
    std::string strLines; // the key's own line and its values'
    std::vector<size_t> arrChildren;
};

// Keys read at once. Each read is a few round trips to wineserver; on a busy
// machine each waits for a time slice, and several in flight share the wait
// (HKLM\Software with 1 thread: 1.5-4 s; 4: 0.7-1.1 s; 6: 0.6-1.1 s).
const unsigned g_uDumpThreads = 6;

// A walk of the tree by several threads; the lines come out in order.
class CRegistryDump
{
public:
    CRegistryDump(const SRootName& root, REGSAM view) : m_root(root), m_samView(view), m_uBusy(0) {}

    // False when the start key can't be opened.
    bool Run(const std::wstring& start, std::string& out);

private:
    bool ReadKey(const std::wstring& path, bool openLinks, std::string& lines, std::vector<std::wstring>& subkeys);
    void Work();

    const SRootName& m_root;
    const REGSAM m_samView;
    std::mutex m_mutex;
    std::condition_variable m_cvChanged;
    std::deque<SDumpKey> m_arrKeys;
    std::vector<size_t> m_arrPending;
    unsigned m_uBusy;
};

bool CRegistryDump::ReadKey(const std::wstring& path, bool openLinks, std::string& lines,
                            std::vector<std::wstring>& subkeys)
{
    const std::string shown = Text::OneLine(std::string(m_root.pszShortName) + (path.empty() ? "" : "\\" + Utf8(path)));
    HKEY key = nullptr;
    const LONG status = RegOpenKeyExW(m_root.hRoot, path.empty() ? nullptr : path.c_str(),
                                      openLinks ? REG_OPTION_OPEN_LINK : 0, KEY_READ | m_samView, &key);
    if (status != ERROR_SUCCESS) {
        lines = shown + "\t(cannot open: error " + std::to_string(status) + ")\n";
        return false;
    }
    lines = shown + "\n";
    DWORD subkeyCount = 0, maxSubkeyLength = 0, valueCount = 0, maxValueNameLength = 0, maxDataSize = 0;
    std::vector<SDumpValue> values;
    bool listed = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeyCount, &maxSubkeyLength, nullptr, &valueCount,
                                   &maxValueNameLength, &maxDataSize, nullptr, nullptr) == ERROR_SUCCESS;
    listed = listed && ReadDumpValues(key, valueCount, maxValueNameLength, maxDataSize, values) &&
             ReadSubkeyNames(key, subkeyCount, maxSubkeyLength, subkeys);
    RegCloseKey(key);
    if (!listed)
        lines += shown + "\t(cannot list)\n";
    for (const SDumpValue& value : values) {
        lines += shown;
        lines += '\t';
        lines += value.strName.empty() ? std::string("(default)") : Text::OneLine(Utf8(value.strName));
        lines += '\t';
        lines += TypeName(value.dwType);
        lines += '\t';
        lines += FormatDumpData(value);
        lines += '\n';
    }
    return true;
}

void CRegistryDump::Work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_cvChanged.wait(lock, [this] { return !m_arrPending.empty() || m_uBusy == 0; });
        if (m_arrPending.empty())
            return;
        const size_t index = m_arrPending.back();
        m_arrPending.pop_back();
        const std::wstring path = m_arrKeys[index].strPath;
        m_uBusy++;
        lock.unlock();
        std::string lines;
        std::vector<std::wstring> subkeys;
        ReadKey(path, true, lines, subkeys);
        lock.lock();
        m_arrKeys[index].strLines.swap(lines);
        for (const std::wstring& name : subkeys) {
            m_arrKeys.push_back(SDumpKey{path.empty() ? name : path + L"\\" + name, std::string(), {}});
            m_arrKeys[index].arrChildren.push_back(m_arrKeys.size() - 1);
            m_arrPending.push_back(m_arrKeys.size() - 1);
        }
        m_uBusy--;
        m_cvChanged.notify_all();
    }
}

bool CRegistryDump::Run(const std::wstring& start, std::string& out)
{
    m_arrKeys.push_back(SDumpKey{start, std::string(), {}});
    std::vector<std::wstring> subkeys;
    // The key asked for is followed if it is a link; links below it are
    // listed as their REG_LINK value, so that nothing shows twice.
    if (!ReadKey(start, false, m_arrKeys[0].strLines, subkeys))
        return false;
    for (const std::wstring& name : subkeys) {
        m_arrKeys.push_back(SDumpKey{start.empty() ? name : start + L"\\" + name, std::string(), {}});
        m_arrKeys[0].arrChildren.push_back(m_arrKeys.size() - 1);
        m_arrPending.push_back(m_arrKeys.size() - 1);
    }
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < g_uDumpThreads; i++)
        threads.emplace_back([this] { Work(); });
    for (std::thread& thread : threads)
        thread.join();
    // Depth first, each key before its subkeys, with our own stack.
    std::vector<size_t> stack(1, 0);
    while (!stack.empty()) {
        const SDumpKey& key = m_arrKeys[stack.back()];
        stack.pop_back();
        out += key.strLines;
        stack.insert(stack.end(), key.arrChildren.rbegin(), key.arrChildren.rend());
    }
    return true;
}

} // namespace

bool DumpRegistry(const std::string& keyPath, REGSAM view, std::string& out, std::string& error)
{
    std::string start;
    const SRootName* root = SplitKeyPath(keyPath, start, error);
    if (!root)
        return false;
    CRegistryDump dump(*root, view);
    if (!dump.Run(Widen(start), out)) {
        error = "no registry key " + keyPath;
        return false;
    }
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
        char target[MAX_PATH] = "", arguments[1024] = "", folder[MAX_PATH] = "", icon[MAX_PATH] = "",
             description[1024] = "";
        int show = 0, iconIndex = 0;
        link->GetPath(target, sizeof(target), nullptr, SLGP_RAWPATH);
        link->GetArguments(arguments, sizeof(arguments));
        link->GetWorkingDirectory(folder, sizeof(folder));
        link->GetShowCmd(&show);
        link->GetIconLocation(icon, sizeof(icon), &iconIndex);
        link->GetDescription(description, sizeof(description));
        char numbers[64];
        std::snprintf(numbers, sizeof(numbers), "%d\nicon-index\t%d", show, iconIndex);
        out = std::string("target\t") + target + "\narguments\t" + arguments + "\nworkdir\t" + folder + "\nshow\t" +
              numbers + "\nicon\t" + icon + "\ndescription\t" + description + "\n";
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
    return ReadRegistryValue("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name, 0,
                             out, error);
}

std::string ExpandEnvironment(const std::string& text)
{
    char buffer[4096] = "";
    ExpandEnvironmentStringsA(text.c_str(), buffer, sizeof(buffer));
    return buffer;
}

std::string ShortPath(const std::string& path)
{
    char buffer[MAX_PATH] = "";
    const DWORD n = GetShortPathNameA(path.c_str(), buffer, sizeof(buffer));
    return n && n < sizeof(buffer) ? buffer : "";
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool GetDiskFree(const std::string& path, unsigned long long& freeBytes, unsigned long long& totalBytes,
                 std::string& error)
{
    ULARGE_INTEGER available, total, totalFree;
    if (!GetDiskFreeSpaceExA(path.c_str(), &available, &total, &totalFree)) {
        char text[32];
        std::snprintf(text, sizeof(text), "%lu", (unsigned long)GetLastError());
        error = "GetDiskFreeSpaceEx failed for " + path + ": error " + text;
        return false;
    }
    freeBytes = available.QuadPart;
    totalBytes = total.QuadPart;
    return true;
}

bool DefineWineDrive(char letter, const std::string& unixFolder, std::string& error)
{
    SWineUnixDrive drive;
    std::memset(&drive, 0, sizeof(drive));
    std::vector<BYTE> request(sizeof(drive) + unixFolder.size() + 1, 0);
    drive.uSize = (ULONG)request.size();
    drive.uType = unixFolder.empty() ? DRIVE_NO_ROOT_DIR : DRIVE_FIXED;
    drive.chLetter = (WCHAR)(unsigned char)letter;
    if (!unixFolder.empty()) {
        drive.uMountPointOffset = sizeof(drive);
        std::memcpy(&request[sizeof(drive)], unixFolder.c_str(), unixFolder.size() + 1);
    }
    std::memcpy(request.data(), &drive, sizeof(drive));
    HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) {
        error = "no mount manager (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(manager, g_dwDefineUnixDrive, request.data(), (DWORD)request.size(), nullptr, 0,
                                    &returned, nullptr);
    const DWORD code = GetLastError();
    CloseHandle(manager);
    if (!ok)
        error = "the mount manager refused the drive (error " + std::to_string(code) + ")";
    return ok != FALSE;
}

SWriteResult WriteZeros(const std::string& path, unsigned long long size, DWORD chunkSize)
{
    SWriteResult result = {0, 0, ERROR_SUCCESS};
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        result.dwError = GetLastError();
        return result;
    }
    std::vector<BYTE> zeros(chunkSize ? chunkSize : 1, 0);
    while (result.uWritten < size) {
        const unsigned long long left = size - result.uWritten;
        const DWORD chunk = left < zeros.size() ? (DWORD)left : (DWORD)zeros.size();
        DWORD done = 0;
        const BOOL ok = WriteFile(file, zeros.data(), chunk, &done, nullptr);
        result.uWritten += done;
        if (!ok) {
            result.dwError = GetLastError();
            break;
        }
        if (done < chunk) {
            result.uShortWrites++;
            break;
        }
    }
    // Data a full disk can't hold might only be refused here.
    if (!CloseHandle(file) && result.dwError == ERROR_SUCCESS)
        result.dwError = GetLastError();
    return result;
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

namespace SystemQueries {

bool IsElevated()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD elevated = 0, size = 0;
    // TokenElevation (20): a DWORD, non-zero for a full administrator token.
    const BOOL ok = GetTokenInformation(token, (TOKEN_INFORMATION_CLASS)20, &elevated, sizeof(elevated), &size);
    CloseHandle(token);
    return ok && elevated;
}

std::vector<SChangeAttempt> TryToChange(const std::string& path)
{
    std::vector<SChangeAttempt> attempts;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    attempts.push_back({"overwrite", file != INVALID_HANDLE_VALUE, file != INVALID_HANDLE_VALUE ? 0 : GetLastError()});
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    const std::string moved = path + ".moved";
    const BOOL renamed = MoveFileA(path.c_str(), moved.c_str());
    attempts.push_back({"rename", renamed != FALSE, renamed ? 0 : GetLastError()});
    const std::string current = renamed ? moved : path;
    const BOOL deleted = DeleteFileA(current.c_str());
    attempts.push_back({"delete", deleted != FALSE, deleted ? 0 : GetLastError()});
    return attempts;
}

} // namespace SystemQueries
