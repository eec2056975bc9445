// Owning holders for COM's own state: the apartment a thread joins and
// memory COM's task allocator hands out. (COM interfaces: CReleasePtr.)
#pragma once

#include <windows.h>
#include <objbase.h>

// COM initialised for the holder's life, when this thread had not been;
// a thread that already was is left as it is.
class CComInit
{
public:
    CComInit() : m_bInitialised(SUCCEEDED(CoInitialize(nullptr))) {}
    ~CComInit()
    {
        if (m_bInitialised)
            CoUninitialize();
    }
    CComInit(const CComInit&) = delete;
    CComInit& operator=(const CComInit&) = delete;

private:
    bool m_bInitialised;
};

// A block from CoTaskMemAlloc (or a shell call that allocates with it).
template <class T> class CCoTaskMemory
{
public:
    explicit CCoTaskMemory(T p = nullptr) : m_p(p) {}
    ~CCoTaskMemory() { CoTaskMemFree(m_p); }
    CCoTaskMemory(const CCoTaskMemory&) = delete;
    CCoTaskMemory& operator=(const CCoTaskMemory&) = delete;

    T Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T m_p;
};
