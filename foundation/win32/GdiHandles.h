// Owning holders for GDI: objects, device contexts and a selection into
// one, each given back when the holder goes.
#pragma once

#include <windows.h>

// A pen, brush, font or bitmap this program created.
template <class T> class CGdiObject
{
public:
    CGdiObject() {}
    explicit CGdiObject(T h) : m_h(h) {}
    ~CGdiObject() { Reset(nullptr); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    T Get() const { return m_h; }
    operator T() const { return m_h; }
    void Reset(T h)
    {
        if (m_h)
            DeleteObject(m_h);
        m_h = h;
    }

private:
    T m_h = nullptr;
};

// A window's device context (GetDC), or the screen's for a null window.
class CWindowDC
{
public:
    explicit CWindowDC(HWND window) : m_hWindow(window), m_hDC(GetDC(window)) {}
    ~CWindowDC()
    {
        if (m_hDC)
            ReleaseDC(m_hWindow, m_hDC);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;

    operator HDC() const { return m_hDC; }

private:
    HWND m_hWindow;
    HDC m_hDC;
};

// A memory device context like another.
class CMemoryDC
{
public:
    explicit CMemoryDC(HDC like) : m_hDC(CreateCompatibleDC(like)) {}
    ~CMemoryDC()
    {
        if (m_hDC)
            DeleteDC(m_hDC);
    }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    operator HDC() const { return m_hDC; }

private:
    HDC m_hDC;
};

// An object selected into a device context; what was selected before comes
// back when the holder goes. A null object selects nothing.
class CSelection
{
public:
    CSelection(HDC dc, HGDIOBJ object) : m_hDC(dc), m_hOld(object ? SelectObject(dc, object) : nullptr) {}
    ~CSelection()
    {
        if (IsSelected())
            SelectObject(m_hDC, m_hOld);
    }
    CSelection(const CSelection&) = delete;
    CSelection& operator=(const CSelection&) = delete;

    bool IsSelected() const { return m_hOld && m_hOld != HGDI_ERROR; }

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};
