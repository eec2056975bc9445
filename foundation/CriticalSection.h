// A recursive process lock: a CRITICAL_SECTION on Windows, a recursive
// mutex natively. The storage is inline so the header needs no <windows.h>.
#pragma once

namespace WinHelper {

class CCriticalSection
{
public:
    CCriticalSection();
    ~CCriticalSection();
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Enter();
    void Leave();

private:
    alignas(16) unsigned char m_store[64];
};

class CLock
{
public:
    explicit CLock(CCriticalSection& cs) : m_cs(cs) { m_cs.Enter(); }
    ~CLock() { m_cs.Leave(); }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

private:
    CCriticalSection& m_cs;
};

} // namespace WinHelper
