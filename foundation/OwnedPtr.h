// Holds one object made with new and deletes it when it goes or is
// replaced, so that no path (an early return, an exception) forgets it.
// The object's type must be complete wherever the holder is destroyed or
// reset.
#pragma once

template <class T> class COwnedPtr
{
public:
    explicit COwnedPtr(T* p = nullptr) : m_p(p) {}
    ~COwnedPtr() { delete m_p; }
    COwnedPtr(const COwnedPtr&) = delete;
    COwnedPtr& operator=(const COwnedPtr&) = delete;

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void Reset(T* p)
    {
        T* old = m_p;
        m_p = p;
        delete old;
    }

private:
    T* m_p;
};
