// Holds one reference of an object counted by AddRef/Release (an XML node
// or document, a COM interface) and releases it when it goes.
#pragma once

template <class T> class CReleasePtr
{
public:
    explicit CReleasePtr(T* p = nullptr) : m_p(p) {}
    ~CReleasePtr() { Reset(nullptr); }
    CReleasePtr(const CReleasePtr&) = delete;
    CReleasePtr& operator=(const CReleasePtr&) = delete;

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out-parameters (QueryInterface, CoCreateInstance): releases what
    // is held first.
    T** Receive()
    {
        Reset(nullptr);
        return &m_p;
    }
    void Reset(T* p)
    {
        if (m_p)
            m_p->Release();
        m_p = p;
    }
    T* Detach()
    {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }

private:
    T* m_p;
};
