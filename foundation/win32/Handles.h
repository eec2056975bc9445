// Owning holders for system handles, so that an exception between opening
// and closing leaks nothing. Each closes what it holds when it goes.
#pragma once

#include <windows.h>

// A kernel handle (file, process, thread, event, pipe, job). Both null and
// INVALID_HANDLE_VALUE mean "none".
class CAutoHandle
{
public:
    CAutoHandle() {}
    explicit CAutoHandle(HANDLE h) : m_h(h) {}
    ~CAutoHandle() { Close(); }
    CAutoHandle(const CAutoHandle&) = delete;
    CAutoHandle& operator=(const CAutoHandle&) = delete;

    bool IsValid() const { return m_h && m_h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_h; }
    operator HANDLE() const { return m_h; }
    // For out-parameters: closes what is held first.
    HANDLE* Receive()
    {
        Close();
        return &m_h;
    }
    void Reset(HANDLE h)
    {
        Close();
        m_h = h;
    }
    HANDLE Detach()
    {
        HANDLE h = m_h;
        m_h = nullptr;
        return h;
    }
    void Close()
    {
        if (IsValid())
            CloseHandle(m_h);
        m_h = nullptr;
    }
    // Closes, and tells whether the close succeeded: a written file's close
    // may be where a write error shows. False when nothing was held.
    bool CloseChecked()
    {
        const bool closed = IsValid() && CloseHandle(m_h);
        m_h = nullptr;
        return closed;
    }

private:
    HANDLE m_h = nullptr;
};

// The registry view of the application's keys: 0, the installer's own
// (32-bit) one, or KEY_WOW64_64KEY for a 64-bit application, whose keys a
// 32-bit program reaches only by asking. Set once, before any of them is
// touched. Keys opened from a predefined root (HKEY_LOCAL_MACHINE...) with
// no view named take it; the installer's own bookkeeping names its view.
void SetApplicationRegistryView(REGSAM view);
REGSAM GetApplicationRegistryView();
REGSAM WithApplicationView(HKEY root, REGSAM access);

// An open registry key.
class CRegKey
{
public:
    CRegKey() {}
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    LONG Open(HKEY root, const char* subkey, REGSAM access)
    {
        Close();
        return RegOpenKeyExA(root, subkey, 0, WithApplicationView(root, access), &m_h);
    }
    LONG Create(HKEY root, const char* subkey, REGSAM access, DWORD* disposition = nullptr)
    {
        Close();
        return RegCreateKeyExA(root, subkey, 0, nullptr, 0, WithApplicationView(root, access), nullptr, &m_h,
                               disposition);
    }
    bool IsOpen() const { return m_h != nullptr; }
    HKEY Get() const { return m_h; }
    operator HKEY() const { return m_h; }
    void Close()
    {
        if (m_h)
            RegCloseKey(m_h);
        m_h = nullptr;
    }

private:
    HKEY m_h = nullptr;
};

// A FindFirstFile enumeration.
class CFindHandle
{
public:
    CFindHandle() {}
    ~CFindHandle() { Close(); }
    CFindHandle(const CFindHandle&) = delete;
    CFindHandle& operator=(const CFindHandle&) = delete;

    bool First(const char* pattern, WIN32_FIND_DATAA& data)
    {
        Close();
        m_h = FindFirstFileA(pattern, &data);
        return m_h != INVALID_HANDLE_VALUE;
    }
    bool Next(WIN32_FIND_DATAA& data) { return m_h != INVALID_HANDLE_VALUE && FindNextFileA(m_h, &data); }
    void Close()
    {
        if (m_h != INVALID_HANDLE_VALUE)
            FindClose(m_h);
        m_h = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE m_h = INVALID_HANDLE_VALUE;
};

// A loaded library.
class CLibrary
{
public:
    CLibrary() {}
    explicit CLibrary(const char* name) : m_h(LoadLibraryA(name)) {}
    ~CLibrary() { Free(); }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    // Frees what is held and loads name; on failure GetLastError says why.
    bool Load(const char* name)
    {
        Free();
        m_h = LoadLibraryA(name);
        return m_h != nullptr;
    }
    bool IsLoaded() const { return m_h != nullptr; }
    // The export cast to the function type asked for, or null.
    template <class T> T Find(const char* name) const
    {
        return m_h ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m_h, name))) : nullptr;
    }

private:
    void Free()
    {
        if (m_h)
            FreeLibrary(m_h);
        m_h = nullptr;
    }

    HMODULE m_h = nullptr;
};

// Memory the system allocated with LocalAlloc for us (FormatMessage's text).
template <class T> class CLocalMemory
{
public:
    CLocalMemory() {}
    ~CLocalMemory()
    {
        if (m_p)
            LocalFree(m_p);
    }
    CLocalMemory(const CLocalMemory&) = delete;
    CLocalMemory& operator=(const CLocalMemory&) = delete;

    T Get() const { return m_p; }
    // For out-parameters; only on an empty holder.
    T* Receive() { return &m_p; }

private:
    T m_p = nullptr;
};
